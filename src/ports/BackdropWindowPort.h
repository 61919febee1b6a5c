#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zarn {

// Which part of the backdrop a mouse event happened on.
inline constexpr int kBackdropSurface = -1;  // the window itself
// 0 and 1: the picture elements imgBG(0) and imgBG(1).

inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 2;
inline constexpr int kMiddleButton = 4;
inline constexpr int kShiftMask = 1;
inline constexpr int kCtrlMask = 2;
inline constexpr int kAltMask = 4;

// What the user does to the backdrop window, delivered from the pump.
class BackdropEvents {
 public:
  virtual ~BackdropEvents() = default;
  virtual void DblClick(int element) = 0;
  // `shift`: the modifier keys held (kShiftMask | kCtrlMask | kAltMask).
  virtual void MouseDown(int element, int button, int shift, float x, float y) = 0;
  virtual void CloseGlyphClick() = 0;
};

// A picture's natural size in pixels.
struct PictureSize {
  int32_t width = 0;
  int32_t height = 0;
};

// The full-screen backdrop window: a borderless form with a background
// colour, two picture elements, a small close glyph and a popup menu.
// Positions and sizes are in twips.
class BackdropWindowPort {
 public:
  virtual ~BackdropWindowPort() = default;
  virtual void SetEvents(BackdropEvents* events) = 0;

  // Creates the window hidden: pictures empty and hidden, glyph hidden.
  virtual void Load() = 0;
  // Destroys it with everything on it.
  virtual void Unload() = 0;
  virtual void Move(int32_t left, int32_t top, int32_t width, int32_t height) = 0;
  // Blue-green-red, red in the lowest byte.
  virtual void SetBackColor(uint32_t color) = 0;
  virtual void Show() = 0;
  virtual void Hide() = 0;

  // The picture elements, index 0 or 1.
  virtual void SetPictureBorder(int index, bool border) = 0;
  // Loads a picture file into the element; throws VbError (481) when the
  // file is not a picture it can show.
  virtual PictureSize LoadPicture(int index, const std::string& path) = 0;
  virtual void ClearPicture(int index) = 0;
  virtual void SetPictureStretch(int index, bool stretch) = 0;
  virtual void MovePicture(int index, int32_t left, int32_t top, int32_t width, int32_t height) = 0;
  virtual void SetPictureVisible(int index, bool visible) = 0;

  virtual void MoveCloseGlyph(int32_t left, int32_t top) = 0;
  virtual void SetCloseGlyphToolTip(const std::string& text) = 0;
  virtual void SetCloseGlyphVisible(bool visible) = 0;

  // Pops up a menu with these captions at the pointer and waits; the index
  // of the chosen item, or none when it is dismissed.
  virtual std::optional<int> PopupMenu(const std::vector<std::string>& captions) = 0;
};

}  // namespace zarn
