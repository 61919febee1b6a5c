#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include "platform/render/BalloonLook.h"

namespace zarn {

// The word balloon beside a character: a rounded box with a tail for
// speech, a cloud with bubbles for thoughts. A top-level window of its own,
// shaped like what it draws.
class CharacterBalloon : public QWidget {
 public:
  CharacterBalloon();

  // A new Speak or Think: without AutoPace the whole text shows at once.
  void Start(const BalloonLook& look, const QString& text, bool think);
  // AutoPace: the next spoken word; older lines scroll away when the
  // balloon is full.
  void AddWord(const QString& word);
  // The speech is over: with AutoHide the balloon goes a moment later.
  void Finish();
  void Dismiss();
  // Beside `character`, above it when there is room on `screen`, else
  // below; moved sideways to stay on screen.
  void Place(const QRect& character, const QRect& screen);

  const QString& ShownText() const { return shown_; }
  bool Think() const { return think_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Render();

  BalloonLook look_;
  QString full_;   // the whole text, for SizeToText
  QString shown_;  // what has been said so far
  bool think_ = false;
  QRect character_;
  QRect screen_;
  QImage image_;
  QTimer hide_timer_;
};

}  // namespace zarn
