#include "platform/render/CharacterPicture.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>
#include <algorithm>
#include <cctype>

#include "charengine/CharacterEngine.h"
#include "charfile/FrameComposer.h"

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

QStringList Wrap(const BalloonLook& look, const QString& text) {
  const QFontMetrics metrics(look.font);
  const int width = look.chars_per_line * std::max(1, metrics.averageCharWidth());
  QTextLayout layout(text, look.font);
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

int LineCount(const BalloonLook& look, const QString& full) {
  return std::max<int>(1,
                       look.size_to_text ? static_cast<int>(Wrap(look, full).size()) : look.lines);
}

QSize BodySize(const BalloonLook& look, const QString& full, bool think) {
  const QFontMetrics metrics(look.font);
  const int margin = think ? kPadding + kCloudBump : kPadding;
  return {look.chars_per_line * std::max(1, metrics.averageCharWidth()) + 2 * margin,
          LineCount(look, full) * metrics.lineSpacing() + 2 * margin};
}

// A font too large for the balloon to fit on the screen is drawn smaller:
// the screen could not show the rest, and the picture would cost memory.
BalloonLook FittedToScreen(BalloonLook look, const QString& full, bool think, QSize screen) {
  if (screen.isEmpty()) return look;
  for (int attempt = 0; attempt < 6; ++attempt) {
    const QSize body = BodySize(look, full, think);
    const double room = std::min(static_cast<double>(screen.width()) / body.width(),
                                 static_cast<double>(screen.height()) / (body.height() + kTail));
    if (room >= 1.0) break;
    if (look.font.pixelSize() > 0) {
      look.font.setPixelSize(std::max(1, static_cast<int>(look.font.pixelSize() * room)));
    } else {
      look.font.setPointSizeF(std::max(1.0, look.font.pointSizeF() * room));
    }
  }
  return look;
}

}  // namespace

QImage CharacterFrameImage(const CharacterFile& file, const Frame& frame, int mouth, QSize size) {
  std::vector<uint8_t> rgba = ComposeFrame(file, frame, mouth);
  QImage image =
      QImage(rgba.data(), file.Width(), file.Height(), file.Width() * 4, QImage::Format_RGBA8888)
          .convertToFormat(QImage::Format_ARGB32);
  if (image.size() != size && !size.isEmpty()) image = image.scaled(size);
  return image;
}

QSize DrawnSize(QSize asked, QSize screen) {
  if (asked.isEmpty() || screen.isEmpty()) return asked;
  if (asked.width() <= screen.width() && asked.height() <= screen.height()) return asked;
  return asked.scaled(screen, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

const QImage& FrameCache::Get(const CharacterFile& file, const Frame& frame, int mouth,
                              QSize size) {
  const auto key = std::make_pair(&frame, mouth);
  if (size != size_) {
    Clear();
    size_ = size;
  }
  if (auto it = images_.find(key); it != images_.end()) return it->second;
  QImage image = CharacterFrameImage(file, frame, mouth, size);
  const auto image_bytes = static_cast<size_t>(image.sizeInBytes());
  // Starting afresh is cheaper to get right than an order of use, and a
  // character's frames come back quickly enough when it loops.
  if (bytes_ + image_bytes > kMaxBytes) Clear();
  bytes_ += image_bytes;
  return images_.emplace(key, std::move(image)).first->second;
}

void FrameCache::Clear() {
  images_.clear();
  bytes_ = 0;
}

BalloonLook BalloonLookFor(const CharacterEngine& engine, const std::string& id) {
  const BalloonSettings settings = engine.Balloon(id);
  const BalloonInfo& info = engine.Model(id).balloon;
  BalloonLook look;
  look.font = QFont(QString::fromStdString(settings.font_name));
  if (settings.font_size > 0) look.font.setPointSize(settings.font_size);
  look.text = QColor(info.text_color.r, info.text_color.g, info.text_color.b);
  look.back = QColor(info.back_color.r, info.back_color.g, info.back_color.b);
  look.border = QColor(info.border_color.r, info.border_color.g, info.border_color.b);
  look.chars_per_line = std::max(8, (settings.style >> 16) & 0xFF);
  look.lines = std::max(1, (settings.style >> 24) & 0xFF);
  look.size_to_text = (settings.style & 0x2) != 0;
  look.auto_hide = (settings.style & 0x4) != 0;
  look.auto_pace = (settings.style & 0x8) != 0;
  return look;
}

int MouthForWord(const std::string& word) {
  for (char c : word) {
    switch (std::tolower(static_cast<unsigned char>(c))) {
      case 'a':
        return 4;
      case 'e':
        return 3;
      case 'i':
      case 'y':
        return 2;
      case 'o':
        return 5;
      case 'u':
      case 'w':
        return 6;
      default:
        break;
    }
  }
  return 1;
}

BalloonPicture PaintBalloon(const BalloonLook& asked, const QString& full, const QString& shown,
                            bool think, const QRect& character, const QRect& screen) {
  const BalloonLook look = FittedToScreen(asked, full, think, screen.size());
  const QFontMetrics metrics(look.font);
  const int line_count = LineCount(look, full);
  QStringList lines = Wrap(look, shown);
  // A full balloon shows the latest lines.
  if (lines.size() > line_count) lines = lines.mid(lines.size() - line_count);

  const int margin = think ? kPadding + kCloudBump : kPadding;
  const QSize body_size = BodySize(look, full, think);
  const int body_w = body_size.width();
  const int body_h = body_size.height();
  const int height = body_h + kTail;

  const bool below = character.top() - height + kOverlap < screen.top();
  const int top = below ? character.bottom() + 1 - kOverlap : character.top() - height + kOverlap;
  int left = character.center().x() - body_w / 2;
  left = std::clamp(left, screen.left(), std::max(screen.left(), screen.right() + 1 - body_w));
  const int tail_x = std::clamp(character.center().x() - left, 20, std::max(20, body_w - 20));

  const QRectF body(0.5, below ? kTail + 0.5 : 0.5, body_w - 1, body_h - 1);
  const QPainterPath shape =
      think ? CloudShape(body, below, tail_x) : SpeechShape(body, below, tail_x);

  QImage image(body_w, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setPen(QPen(look.border, 1));
  painter.setBrush(look.back);
  painter.drawPath(shape);
  painter.setPen(look.text);
  painter.setFont(look.font);
  int y = static_cast<int>(body.top()) + margin + metrics.ascent();
  for (const QString& line : lines) {
    painter.drawText(margin, y, line);
    y += metrics.lineSpacing();
  }
  painter.end();

  // Hard edges: without a compositor only the mask makes the outside
  // see-through, and a half-covered edge pixel belongs to the balloon.
  QImage alpha = image.convertToFormat(QImage::Format_ARGB32);
  for (int row = 0; row < alpha.height(); ++row) {
    auto* pixels = reinterpret_cast<QRgb*>(alpha.scanLine(row));
    for (int x = 0; x < alpha.width(); ++x) {
      if (qAlpha(pixels[x]) != 0) pixels[x] |= 0xFF000000u;
    }
  }
  return {alpha, QRect(left, top, body_w, height)};
}

}  // namespace zarn
