#include "core/util/CFileDialog.h"

#include "base/TextCodec.h"
#include "core/errortrap/bErrorTrap.h"
#include "ports/DesktopPort.h"

namespace zarn {
namespace {

// The dialog's name buffers: longer names do not fit.
constexpr size_t kNameBuffer = 260;

std::string TrimNulls(const std::string& text) { return text.substr(0, text.find('\0')); }

}  // namespace

bool CFileDialog::Show(bool fOpen) {
  // Own handling: an error box titled "Show", and no file.
  try {
    if (CharCount(FileName) > kNameBuffer || CharCount(FileTitle) > kNameBuffer) {
      Throw(vberr::kInvalidCall, "Invalid procedure call or argument");
    }
    if (desktop_ == nullptr) return false;
    FileDialogRequest request;
    request.open = fOpen;
    request.owner = hWndParent;
    request.filter = Filter;
    request.filter_index = FilterIndex;
    request.file_name = FileName;
    request.file_title = FileTitle;
    request.initial_dir = InitialDir;
    request.title = DialogTitle;
    request.flags = Flags;
    request.default_ext = DefaultExt;
    const FileDialogResult result = desktop_->ShowFileDialog(request);
    if (!result.confirmed) return false;
    FileName = TrimNulls(result.file_name);
    FileTitle = TrimNulls(result.file_title);
    return true;
  } catch (...) {
    const VbError failure = CurrentFailure(std::current_exception());
    if (desktop_ != nullptr) {
      Silently([&] {
        desktop_->MessageBox(
            "Error: " + std::to_string(failure.Number()) + ". " + failure.Description(),
            MessageIcon::kWarning, MessageButtons::kOk, "Show");
      });
    }
    return false;
  }
}

}  // namespace zarn
