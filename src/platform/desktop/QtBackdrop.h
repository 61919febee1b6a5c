#pragma once

#include <QPointer>
#include <memory>
#include <vector>

#include "ports/BackdropWindowPort.h"

class QWidget;

namespace zarn {

class BackdropSurface;

// The backdrop drawn with Qt Widgets: a frameless window covering the
// screen in the background colour, the two picture elements and the close
// glyph on it. Pictures load through Qt's image readers; a file they cannot
// read is an invalid picture (481). Positions arrive in twips, 15 to a pixel.
class QtBackdrop : public BackdropWindowPort {
 public:
  QtBackdrop();
  ~QtBackdrop() override;
  QtBackdrop(const QtBackdrop&) = delete;
  QtBackdrop& operator=(const QtBackdrop&) = delete;

  void SetEvents(BackdropEvents* events) override { events_ = events; }
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

  // The window while loaded, else null (tests look at it).
  QWidget* Window() const;

 private:
  BackdropSurface& Surface();

  BackdropEvents* events_ = nullptr;
  std::unique_ptr<BackdropSurface> surface_;
  // An unloaded window may still be inside its own mouse handler (the glyph,
  // the menu): Qt deletes it once back in the loop, or we do at the end.
  std::vector<QPointer<BackdropSurface>> retired_;
};

}  // namespace zarn
