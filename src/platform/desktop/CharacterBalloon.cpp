#include "platform/desktop/CharacterBalloon.h"

#include <QBitmap>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

#include "platform/desktop/CharacterWindow.h"

namespace zarn {
namespace {

constexpr int kPadding = 8;
constexpr int kTail = 18;       // height of the tail or the thought bubbles
constexpr int kCloudBump = 10;  // radius of the cloud's scallops
constexpr int kOverlap = 6;     // the tail reaches this far onto the character

QPainterPath Ellipse(QPointF centre, double radius) {
  QPainterPath path;
  path.addEllipse(centre, radius, radius);
  return path;
}

QPainterPath SpeechShape(const QRectF& body, bool below, double tail_x) {
  QPainterPath box;
  box.addRoundedRect(body, 10, 10);
  // The tail starts inside the box so that the two make one outline.
  const double edge = below ? body.top() + 4 : body.bottom() - 4;
  const double tip = below ? body.top() - kTail : body.bottom() + kTail;
  QPainterPath tail;
  tail.addPolygon(QPolygonF{QPointF(tail_x - 8, edge), QPointF(tail_x, tip),
                            QPointF(tail_x + 8, edge), QPointF(tail_x - 8, edge)});
  return box.united(tail);
}

QPainterPath CloudShape(const QRectF& body, bool below, double tail_x) {
  const QRectF inner = body.adjusted(kCloudBump, kCloudBump, -kCloudBump, -kCloudBump);
  QPainterPath path;
  path.addRoundedRect(inner, kCloudBump, kCloudBump);
  // Scallops along the edge make the cloud.
  const double step = kCloudBump * 1.6;
  for (double x = inner.left(); x <= inner.right(); x += step) {
    path = path.united(Ellipse(QPointF(x, inner.top()), kCloudBump));
    path = path.united(Ellipse(QPointF(x, inner.bottom()), kCloudBump));
  }
  for (double y = inner.top(); y <= inner.bottom(); y += step) {
    path = path.united(Ellipse(QPointF(inner.left(), y), kCloudBump));
    path = path.united(Ellipse(QPointF(inner.right(), y), kCloudBump));
  }
  // Bubbles trail off towards the character.
  const double sign = below ? -1 : 1;
  const double base = below ? body.top() : body.bottom();
  path.addEllipse(QPointF(tail_x, base + sign * 5), 5, 5);
  path.addEllipse(QPointF(tail_x + 3, base + sign * 13), 3, 3);
  return path;
}

}  // namespace

CharacterBalloon::CharacterBalloon() {
  setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool);
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

QStringList CharacterBalloon::Wrap(const QString& text) const {
  const QFontMetrics metrics(look_.font);
  const int width = look_.chars_per_line * std::max(1, metrics.averageCharWidth());
  QTextLayout layout(text, look_.font);
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  QStringList lines;
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(width);
    lines << text.mid(line.textStart(), line.textLength()).trimmed();
  }
  layout.endLayout();
  return lines;
}

void CharacterBalloon::Render() {
  const QFontMetrics metrics(look_.font);
  const int text_width = look_.chars_per_line * std::max(1, metrics.averageCharWidth());
  const int line_count =
      std::max<int>(1, look_.size_to_text ? static_cast<int>(Wrap(full_).size()) : look_.lines);
  QStringList lines = Wrap(shown_);
  // A full balloon shows the latest lines.
  if (lines.size() > line_count) lines = lines.mid(lines.size() - line_count);

  const int margin = think_ ? kPadding + kCloudBump : kPadding;
  const int body_w = text_width + 2 * margin;
  const int body_h = line_count * metrics.lineSpacing() + 2 * margin;
  const int height = body_h + kTail;

  // Above the character when it fits, else below; sideways onto the screen.
  below_ = character_.top() - height + kOverlap < screen_.top();
  const int top =
      below_ ? character_.bottom() + 1 - kOverlap : character_.top() - height + kOverlap;
  int left = character_.center().x() - body_w / 2;
  left = std::clamp(left, screen_.left(), std::max(screen_.left(), screen_.right() + 1 - body_w));
  tail_x_ = std::clamp(character_.center().x() - left, 20, std::max(20, body_w - 20));

  const QRectF body(0.5, below_ ? kTail + 0.5 : 0.5, body_w - 1, body_h - 1);
  const QPainterPath shape =
      think_ ? CloudShape(body, below_, tail_x_) : SpeechShape(body, below_, tail_x_);

  image_ = QImage(body_w, height, QImage::Format_ARGB32_Premultiplied);
  image_.fill(Qt::transparent);
  QPainter painter(&image_);
  painter.setPen(QPen(look_.border, 1));
  painter.setBrush(look_.back);
  painter.drawPath(shape);
  painter.setPen(look_.text);
  painter.setFont(look_.font);
  int y = static_cast<int>(body.top()) + margin + metrics.ascent();
  for (const QString& line : lines) {
    painter.drawText(margin, y, line);
    y += metrics.lineSpacing();
  }
  painter.end();

  // Hard edges: without a compositor only the mask makes the outside
  // see-through, and a half-covered edge pixel belongs to the balloon.
  QImage alpha = image_.convertToFormat(QImage::Format_ARGB32);
  for (int row = 0; row < alpha.height(); ++row) {
    auto* pixels = reinterpret_cast<QRgb*>(alpha.scanLine(row));
    for (int x = 0; x < alpha.width(); ++x) {
      if (qAlpha(pixels[x]) != 0) pixels[x] |= 0xFF000000u;
    }
  }
  image_ = alpha;
  setGeometry(left, top, body_w, height);
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
