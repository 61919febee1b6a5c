#include <cmath>
#include <cstdint>

#include "base/VbError.h"
#include "core/errortrap/bErrorTrap.h"
#include "core/media/ParseHTMLColor.h"
#include "core/media/bBackdrop.h"
#include "core/media/frmBackdrop.h"
#include "core/script/ResolveResourcePath.h"
#include "core/shell/Program.h"
#include "core/util/CFile.h"
#include "ports/DesktopPort.h"

namespace zarn::bBackdrop {
namespace {

bool FileExists(Program& p, const std::string& path) {
  if (p.file) return p.file->FileExists(path);
  return CFile(p.errors).FileExists(path);
}

// Where a picture goes on the screen, in twips.
struct Placement {
  int64_t left = 0;
  int64_t top = 0;
  int64_t width = 0;
  int64_t height = 0;
  bool stretch = false;
};

// Natural size when it fits; otherwise one factor for both sides, chosen by
// the tighter ratio; then centred, halves rounded down.
Placement FitAndCentre(int64_t width, int64_t height, int64_t screen_width, int64_t screen_height) {
  Placement out{0, 0, width, height, false};
  if (width > screen_width || height > screen_height) {
    const double width_ratio = static_cast<double>(screen_width) / static_cast<double>(width);
    const double height_ratio = static_cast<double>(screen_height) / static_cast<double>(height);
    const double factor = width_ratio >= height_ratio ? height_ratio : width_ratio;
    out.stretch = true;
    out.width = static_cast<int64_t>(std::nearbyint(static_cast<double>(width) * factor));
    out.height = static_cast<int64_t>(std::nearbyint(static_cast<double>(height) * factor));
  }
  out.left = (screen_width - out.width) / 2;
  out.top = (screen_height - out.height) / 2;
  return out;
}

}  // namespace

void SetBackdropColor(Program& p, const std::string& psColor) {
  frmBackdrop* form = frmBackdrop::Of(p);
  if (form == nullptr) return;
  // Trap and continue.
  ProcedureScope proc{p.errors, "bBackdrop.SetBackdropColor"};
  proc.Step(10, [&] {
    const uint32_t color = ParseHTMLColor(psColor, p.ports.desktop, "ZARNPlay");
    form->Window().SetBackColor(color);
  });
  proc.Step(20, [&] { form->Show(); });
  proc.Step(30, [&] { p.ports.desktop.DoEvents(); });
}

// Every step goes on after a failure; any failure ends in one message.
void SetBackdropImage(Program& p, const std::string& psFile) {
  frmBackdrop* form = frmBackdrop::Of(p);
  if (form == nullptr) return;
  bool failed = false;
  auto step = [&failed](auto&& action) { failed = !Silently(action) || failed; };

  std::string path;
  bool exists = false;
  step([&] {
    std::string temp_name;
    path = ResolveResourcePath(p, psFile, temp_name);
  });
  step([&] { exists = FileExists(p, path); });
  if (!exists) return;

  int& current = form->current_index;
  int& other = form->other_index;
  current = current == 0 ? 1 : 0;
  other = current == 0 ? 1 : 0;

  step([&] {
    BackdropWindowPort& window = form->Window();
    window.SetPictureVisible(other, false);
    window.ClearPicture(other);
  });

  std::optional<PictureSize> natural;
  step([&] {
    BackdropWindowPort& window = form->Window();
    window.SetPictureStretch(current, false);
    natural = window.LoadPicture(current, path);
    if (natural->width <= 0 || natural->height <= 0) throw VbError(481, "Invalid picture");
  });
  // An element whose picture did not load stays hidden and empty.
  if (natural && !failed) {
    step([&] {
      const DesktopPort& screen = p.ports.desktop;
      const Placement place = FitAndCentre(int64_t{natural->width} * screen.TwipsPerPixelX(),
                                           int64_t{natural->height} * screen.TwipsPerPixelY(),
                                           screen.ScreenWidthTwips(), screen.ScreenHeightTwips());
      BackdropWindowPort& window = form->Window();
      window.SetPictureStretch(current, place.stretch);
      window.MovePicture(current, static_cast<int32_t>(place.left), static_cast<int32_t>(place.top),
                         static_cast<int32_t>(place.width), static_cast<int32_t>(place.height));
      window.SetPictureVisible(current, true);
    });
  }
  if (failed) {
    Silently([&] {
      p.ports.desktop.MessageBox(path + " is not a supported image file.",
                                 MessageIcon::kInformation, MessageButtons::kOk, "ZARNPlay");
    });
  }
}

void ShowBackdrop(Program& p) {
  frmBackdrop* form = frmBackdrop::Of(p);
  if (form != nullptr) form->Show();
  p.ports.desktop.DoEvents();
}

void HideBackdrop(Program& p) {
  frmBackdrop* form = frmBackdrop::Of(p);
  if (form != nullptr) form->Hide();
  p.ports.desktop.DoEvents();
}

}  // namespace zarn::bBackdrop
