#include "platform/desktop/CharacterWindow.h"

#include <QApplication>
#include <QBitmap>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <cstdlib>
#include <string>

// Xlib last: its macros clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace zarn {
namespace {

int ButtonBits(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return 1;
    case Qt::RightButton:
      return 2;
    case Qt::MiddleButton:
      return 4;
    default:
      return 0;
  }
}

int ShiftBits(Qt::KeyboardModifiers modifiers) {
  return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
         (modifiers & Qt::AltModifier ? 4 : 0);
}

}  // namespace

void SetWindowClass(QWidget& window, const char* class_name) {
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->display() == nullptr) return;
  std::string res_name = "zarnplay";
  std::string res_class = class_name;
  XClassHint hint{res_name.data(), res_class.data()};
  XSetClassHint(x11->display(), window.winId(), &hint);
}

void KeepOwnPosition(QWidget& window) {
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (wayland != nullptr && *wayland != '\0') {
    window.setWindowFlag(Qt::X11BypassWindowManagerHint);
  }
}

CharacterWindow::CharacterWindow(CharacterMouse mouse) : mouse_(std::move(mouse)) {
  // Tool: no taskbar entry. Without a compositor only the mask makes the
  // window's corners see-through and click-through.
  setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_NoSystemBackground);
  setWindowTitle("zarnplay character");
  KeepOwnPosition(*this);
  SetWindowClass(*this, "ZARNCharacter");
}

void CharacterWindow::ShowImage(const QImage& image) {
  image_ = image;
  const QRegion shape(QBitmap::fromImage(image_.createAlphaMask()));
  has_pixels_ = !shape.isEmpty();
  if (size() != image_.size()) resize(image_.size());
  if (has_pixels_) setMask(shape);
  UpdateMapping();
  update();
}

void CharacterWindow::SetShown(bool shown) {
  shown_ = shown;
  UpdateMapping();
}

void CharacterWindow::UpdateMapping() {
  const bool map = shown_ && has_pixels_;
  if (map && !isVisible()) {
    show();
    raise();
  } else if (!map && isVisible()) {
    hide();
  }
}

void CharacterWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.drawImage(0, 0, image_);
}

void CharacterWindow::mousePressEvent(QMouseEvent* event) {
  pressed_ = true;
  dragging_ = false;
  press_at_ = event->globalPosition().toPoint();
  press_offset_ = event->position().toPoint();
  press_button_ = ButtonBits(event->button());
  press_shift_ = ShiftBits(event->modifiers());
}

void CharacterWindow::mouseMoveEvent(QMouseEvent* event) {
  if (!pressed_ || press_button_ != 1) return;
  const QPoint at = event->globalPosition().toPoint();
  if (!dragging_) {
    if ((at - press_at_).manhattanLength() < QApplication::startDragDistance()) return;
    dragging_ = true;
    if (mouse_.drag_start) mouse_.drag_start(press_button_, press_shift_, press_at_);
  }
  move(at - press_offset_);
  if (mouse_.dragging) mouse_.dragging(pos());
}

void CharacterWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (!pressed_) return;
  pressed_ = false;
  const QPoint at = event->globalPosition().toPoint();
  if (dragging_) {
    dragging_ = false;
    if (mouse_.drag_end) mouse_.drag_end(pos(), press_button_, press_shift_, at);
    return;
  }
  if (mouse_.click) mouse_.click(press_button_, press_shift_, at, false);
  if (press_button_ == 2 && mouse_.menu) mouse_.menu(at);
}

void CharacterWindow::mouseDoubleClickEvent(QMouseEvent* event) {
  // The press that makes a double click ends without a second Click.
  pressed_ = false;
  if (mouse_.click) {
    mouse_.click(ButtonBits(event->button()), ShiftBits(event->modifiers()),
                 event->globalPosition().toPoint(), true);
  }
}

}  // namespace zarn
