#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

namespace zarn {

// The slideshow's window: one rendered slide, centred on black.
// A click, Space, Enter, Right, Down or Page Down asks for the next slide;
// Escape asks to end the show.
class SlideWindow : public QWidget {
 public:
  SlideWindow(std::function<void()> next, std::function<void()> stop);

  void SetSlide(const QImage& slide);
  // Covering the screen.
  void ShowOnScreen();
  // The size a slide should be rendered at to fill the screen.
  QSize ScreenSize() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  std::function<void()> next_;
  std::function<void()> stop_;
  QImage slide_;
};

}  // namespace zarn
