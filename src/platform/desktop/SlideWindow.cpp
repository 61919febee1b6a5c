#include "platform/desktop/SlideWindow.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace zarn {

SlideWindow::SlideWindow(std::function<void()> next, std::function<void()> stop)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      next_(std::move(next)),
      stop_(std::move(stop)) {
  setWindowTitle(QStringLiteral("ZARNPlay slideshow"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setCursor(Qt::BlankCursor);
}

QSize SlideWindow::ScreenSize() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().size() : QSize(1024, 768);
}

void SlideWindow::SetSlide(const QImage& slide) {
  slide_ = slide;
  update();
}

void SlideWindow::ShowOnScreen() {
  // A plain window the size of the screen rather than a full-screen one:
  // window managers put full-screen windows above the characters.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) setGeometry(screen->geometry());
  showNormal();
  activateWindow();
}

void SlideWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (slide_.isNull()) return;
  const QSize size = slide_.size().scaled(this->size(), Qt::KeepAspectRatio);
  const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
  painter.drawImage(target, slide_);
}

void SlideWindow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      stop_();
      break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_PageDown:
    case Qt::Key_N:
      next_();
      break;
    default:
      QWidget::keyPressEvent(event);
  }
}

void SlideWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) next_();
}

}  // namespace zarn
