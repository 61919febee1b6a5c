#include "platform/desktop/DesktopArt.h"

#include <QPainter>
#include <QPainterPath>

namespace zarn {
namespace {

// A round green face with an antenna: the player's mark.
void DrawFace(QPainter& p, const QRectF& box) {
  p.setRenderHint(QPainter::Antialiasing);
  const qreal u = box.width() / 32.0;
  const QPointF o = box.topLeft();
  auto at = [&](qreal x, qreal y) { return o + QPointF(x * u, y * u); };
  p.setPen(QPen(QColor(40, 40, 40), 1.5 * u));
  p.drawLine(at(16, 8), at(21, 2));
  p.setBrush(QColor(230, 60, 60));
  p.drawEllipse(at(21, 2), 2 * u, 2 * u);
  p.setBrush(QColor(90, 180, 90));
  p.drawEllipse(QRectF(at(3, 7), QSizeF(26 * u, 24 * u)));
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(at(9, 13), QSizeF(5 * u, 6 * u)));
  p.drawEllipse(QRectF(at(18, 13), QSizeF(5 * u, 6 * u)));
  p.setBrush(QColor(20, 20, 20));
  p.drawEllipse(QRectF(at(11, 15), QSizeF(2 * u, 3 * u)));
  p.drawEllipse(QRectF(at(20, 15), QSizeF(2 * u, 3 * u)));
  p.setBrush(Qt::NoBrush);
  QPainterPath mouth(at(10, 24));
  mouth.quadTo(at(16, 28), at(22, 24));
  p.drawPath(mouth);
}

}  // namespace

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 22, 32, 48}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    DrawFace(p, QRectF(0, 0, size, size));
    icon.addPixmap(pixmap);
  }
  return icon;
}

QPixmap ErrorTrapPicture(int width, int height) {
  QPixmap pixmap(width, height);
  pixmap.fill(QColor(255, 255, 225));
  QPainter p(&pixmap);
  const int side = std::min(width, height);
  DrawFace(p, QRectF((width - side) / 2.0, (height - side) / 2.0, side, side));
  // A small bandage across the face: something went wrong.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(240, 200, 150));
  p.translate(width / 2.0, height / 2.0);
  p.rotate(-30);
  p.drawRoundedRect(QRectF(-side * 0.22, -side * 0.05, side * 0.44, side * 0.1), 3, 3);
  return pixmap;
}

QPixmap CloseGlyph() {
  QPixmap pixmap(10, 10);
  pixmap.fill(QColor(240, 240, 240));
  QPainter p(&pixmap);
  p.setPen(QColor(64, 64, 64));
  p.drawRect(0, 0, 9, 9);
  p.drawLine(2, 2, 7, 7);
  p.drawLine(2, 7, 7, 2);
  return pixmap;
}

}  // namespace zarn
