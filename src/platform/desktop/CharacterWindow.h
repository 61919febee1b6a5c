#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <functional>

namespace zarn {

// What the user does with the mouse on a character. Points are on the
// screen; button bits 1 left, 2 right, 4 middle; shift bits 1 Shift,
// 2 Ctrl, 4 Alt.
struct CharacterMouse {
  std::function<void(int button, int shift, QPoint at, bool double_click)> click;
  std::function<void(int button, int shift, QPoint at)> drag_start;
  // The window follows the mouse; this says where it is now.
  std::function<void(QPoint top_left)> dragging;
  std::function<void(QPoint top_left, int button, int shift, QPoint at)> drag_end;
  std::function<void(QPoint at)> menu;
};

// Gives a top-level window its own X class, so that tools looking for the
// program's windows by class tell characters and balloons apart.
void SetWindowClass(QWidget& window, const char* class_name);

// Under Xwayland the compositor places managed windows where it likes: a
// character and its balloon go unmanaged there, to stand where they are put.
void KeepOwnPosition(QWidget& window);

// One character on screen: a frameless, always-on-top window without a
// taskbar entry, shaped to the opaque pixels of the frame it shows, so
// clicks beside the character reach the window below.
class CharacterWindow : public QWidget {
 public:
  explicit CharacterWindow(CharacterMouse mouse);

  // Shows `image` (ARGB, alpha 0 or 255) in the window's shape; a frame
  // with no opaque pixel unmaps the window, since an empty mask would mean
  // no shape at all.
  void ShowImage(const QImage& image);
  // Whether the character is shown: the window maps only with something to
  // draw.
  void SetShown(bool shown);
  bool Dragging() const { return dragging_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void UpdateMapping();

  CharacterMouse mouse_;
  QImage image_;
  bool shown_ = false;
  bool has_pixels_ = false;
  bool pressed_ = false;
  bool dragging_ = false;
  QPoint press_at_;      // on the screen
  QPoint press_offset_;  // inside the window
  int press_button_ = 0;
  int press_shift_ = 0;
};

}  // namespace zarn
