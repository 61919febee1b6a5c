#include "platform/desktop/CharacterBalloon.h"

#include <QBitmap>
#include <QPainter>
#include <QRegion>

#include "platform/desktop/CharacterWindow.h"
#include "platform/render/CharacterPicture.h"

namespace zarn {

CharacterBalloon::CharacterBalloon() {
  setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool);
  KeepOwnPosition(*this);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_NoSystemBackground);
  setWindowTitle("zarnplay balloon");
  SetWindowClass(*this, "ZARNBalloon");
  hide_timer_.setSingleShot(true);
  QObject::connect(&hide_timer_, &QTimer::timeout, this, [this] { Dismiss(); });
}

void CharacterBalloon::Start(const BalloonLook& look, const QString& text, bool think) {
  hide_timer_.stop();
  look_ = look;
  full_ = text.simplified();
  shown_ = look_.auto_pace ? QString() : full_;
  think_ = think;
  Render();
}

void CharacterBalloon::AddWord(const QString& word) {
  if (!look_.auto_pace) return;
  if (!shown_.isEmpty()) shown_ += ' ';
  shown_ += word;
  Render();
}

void CharacterBalloon::Finish() {
  // Whatever AutoPace had not reached yet shows in full.
  if (shown_ != full_) {
    shown_ = full_;
    Render();
  }
  if (look_.auto_hide) hide_timer_.start(kBalloonAutoHideMs);
}

void CharacterBalloon::Dismiss() {
  hide_timer_.stop();
  shown_.clear();
  full_.clear();
  hide();
}

void CharacterBalloon::Place(const QRect& character, const QRect& screen) {
  character_ = character;
  screen_ = screen;
  if (!full_.isEmpty() || !shown_.isEmpty()) Render();
}

void CharacterBalloon::Render() {
  const BalloonPicture picture = PaintBalloon(look_, full_, shown_, think_, character_, screen_);
  image_ = picture.image;
  setGeometry(picture.geometry);
  setMask(QRegion(QBitmap::fromImage(image_.createAlphaMask())));
  if (!isVisible()) show();
  raise();
  update();
}

void CharacterBalloon::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.drawImage(0, 0, image_);
}

}  // namespace zarn
