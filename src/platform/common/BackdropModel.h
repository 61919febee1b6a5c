#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "backend/Trace.h"
#include "ports/BackdropWindowPort.h"

namespace zarn {

// The backdrop's state in the trace, as `ui` `Backdrop` records [what,
// value] ("color" "#RRGGBB", "image" path and left, top, width, height in
// twips, "show", "hide", "close", plus "glyph" when the close glyph appears
// and "menu" with the caption chosen from the popup, "" when dismissed).
// With nobody looking, pictures are read only for their size; given a window
// that is `shown`, every call goes on to it as well, and it loads the
// pictures, runs the menu and delivers the user's events.
class BackdropModel : public BackdropWindowPort {
 public:
  explicit BackdropModel(Trace& trace, BackdropWindowPort* shown = nullptr)
      : trace_(trace), shown_(shown) {}

  void SetEvents(BackdropEvents* events) override;
  void Load() override;
  void Unload() override;
  void Move(int32_t left, int32_t top, int32_t width, int32_t height) override;
  void SetBackColor(uint32_t color) override;
  void Show() override;
  void Hide() override;

  void SetPictureBorder(int index, bool border) override;
  PictureSize LoadPicture(int index, const std::string& path) override;
  void ClearPicture(int index) override;
  void SetPictureStretch(int index, bool stretch) override;
  void MovePicture(int index, int32_t left, int32_t top, int32_t width, int32_t height) override;
  void SetPictureVisible(int index, bool visible) override;

  void MoveCloseGlyph(int32_t left, int32_t top) override;
  void SetCloseGlyphToolTip(const std::string& text) override;
  void SetCloseGlyphVisible(bool visible) override;
  std::optional<int> PopupMenu(const std::vector<std::string>& captions) override;

  // A user action (--act "T backdrop ..."): "dblclick", "rightclick" with
  // optional "shift", "ctrl", "alt", "menu CAPTION", "glyph". Actions on a
  // window that is not on screen do nothing. False when not understood.
  bool Perform(const std::string& action);

  struct Picture {
    std::string path;  // empty: no picture
    bool visible = false;
    bool stretch = false;
    int32_t left = 0, top = 0, width = 0, height = 0;
  };
  bool Loaded() const { return loaded_; }
  bool Visible() const { return visible_; }
  uint32_t BackColor() const { return color_; }
  const Picture& Element(int index) const { return pictures_.at(Slot(index)); }

 private:
  static size_t Slot(int index);
  void Reset(bool loaded);
  void Record(const char* what, std::string value);
  // The element under the middle of the screen: a visible picture, or the
  // window itself.
  int ElementAtCentre() const;

  Trace& trace_;
  BackdropWindowPort* shown_;
  BackdropEvents* events_ = nullptr;
  bool loaded_ = false;
  bool visible_ = false;
  bool glyph_visible_ = false;
  uint32_t color_ = 0;
  std::array<Picture, 2> pictures_;
  std::optional<std::string> menu_choice_;
};

}  // namespace zarn
