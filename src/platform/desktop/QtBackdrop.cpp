#include "platform/desktop/QtBackdrop.h"

#include <QCloseEvent>
#include <QCursor>
#include <QImageReader>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QWidget>
#include <array>

#include "base/VbError.h"
#include "platform/desktop/DesktopArt.h"
#include "platform/desktop/Monitors.h"

namespace zarn {
namespace {

constexpr int kTwipsPerPixel = 15;

int Px(int32_t twips) { return twips / kTwipsPerPixel; }

size_t Slot(int index) {
  if (index != 0 && index != 1) throw VbError(vberr::kSubscript, "Subscript out of range");
  return static_cast<size_t>(index);
}

int ButtonOf(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return kLeftButton;
    case Qt::RightButton:
      return kRightButton;
    case Qt::MiddleButton:
      return kMiddleButton;
    default:
      return 0;
  }
}

int ShiftOf(Qt::KeyboardModifiers modifiers) {
  return (modifiers & Qt::ShiftModifier ? kShiftMask : 0) |
         (modifiers & Qt::ControlModifier ? kCtrlMask : 0) |
         (modifiers & Qt::AltModifier ? kAltMask : 0);
}

}  // namespace

// The window itself; the pictures and the glyph are plain labels whose mouse
// events it receives (labels pass them on) and tells apart by position.
class BackdropSurface : public QWidget {
 public:
  explicit BackdropSurface(BackdropEvents* const& events)
      : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), events_(events) {
    setAutoFillBackground(true);
    SetColour(Qt::black);
    for (auto& picture : pictures) {
      picture = new QLabel(this);
      picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      picture->hide();
    }
    glyph = new QLabel(this);
    glyph->setPixmap(CloseGlyph());
    glyph->resize(glyph->pixmap().size());
    glyph->hide();
  }

  void SetColour(const QColor& colour) {
    QPalette p = palette();
    p.setColor(QPalette::Window, colour);
    setPalette(p);
  }

  std::array<QLabel*, 2> pictures{};
  QLabel* glyph = nullptr;

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    const QPoint at = event->position().toPoint();
    QWidget* child = childAt(at);
    pressed_on_glyph_ = child == glyph && event->button() == Qt::LeftButton;
    if (pressed_on_glyph_ || !events_) return;
    const QPoint local = child ? child->mapFromParent(at) : at;
    events_->MouseDown(ElementOf(child), ButtonOf(event->button()), ShiftOf(event->modifiers()),
                       static_cast<float>(local.x() * kTwipsPerPixel),
                       static_cast<float>(local.y() * kTwipsPerPixel));
  }

  void mouseReleaseEvent(QMouseEvent* event) override {
    const bool click = pressed_on_glyph_ && event->button() == Qt::LeftButton &&
                       childAt(event->position().toPoint()) == glyph;
    pressed_on_glyph_ = false;
    if (click && events_) events_->CloseGlyphClick();
  }

  void mouseDoubleClickEvent(QMouseEvent* event) override {
    QWidget* child = childAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || child == glyph || !events_) return;
    events_->DblClick(ElementOf(child));
  }

  // Closed from outside (the window manager): as if its glyph were clicked.
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    if (events_) events_->CloseGlyphClick();
  }

 private:
  int ElementOf(const QWidget* child) const {
    for (int i = 0; i < 2; ++i) {
      if (child != nullptr && child == pictures[static_cast<size_t>(i)]) return i;
    }
    return kBackdropSurface;
  }

  BackdropEvents* const& events_;
  bool pressed_on_glyph_ = false;
};

QtBackdrop::QtBackdrop() = default;

QtBackdrop::~QtBackdrop() {
  for (const auto& surface : retired_) delete surface.data();
}

QWidget* QtBackdrop::Window() const { return surface_.get(); }

BackdropSurface& QtBackdrop::Surface() {
  if (!surface_) Load();
  return *surface_;
}

void QtBackdrop::Load() {
  Unload();
  surface_ = std::make_unique<BackdropSurface>(events_);
}

void QtBackdrop::Unload() {
  if (!surface_) return;
  surface_->hide();
  std::erase_if(retired_, [](const auto& surface) { return surface.isNull(); });
  retired_.emplace_back(surface_.get());
  surface_.release()->deleteLater();
}

void QtBackdrop::Move(int32_t left, int32_t top, int32_t width, int32_t height) {
  // The script's screen is the monitor the program started on.
  const QPoint origin = HomeMonitor().topLeft();
  Surface().setGeometry(origin.x() + Px(left), origin.y() + Px(top), Px(width), Px(height));
}

void QtBackdrop::SetBackColor(uint32_t color) {
  Surface().SetColour(QColor(static_cast<int>(color & 0xFFu),
                             static_cast<int>((color >> 8) & 0xFFu),
                             static_cast<int>((color >> 16) & 0xFFu)));
}

void QtBackdrop::Show() {
  Surface().show();
  surface_->raise();
}

void QtBackdrop::Hide() {
  if (surface_) surface_->hide();
}

void QtBackdrop::SetPictureBorder(int index, bool border) {
  Surface().pictures[Slot(index)]->setFrameStyle(border ? QFrame::Box | QFrame::Plain
                                                        : QFrame::NoFrame);
}

PictureSize QtBackdrop::LoadPicture(int index, const std::string& path) {
  QLabel* picture = Surface().pictures[Slot(index)];
  picture->clear();
  // By content, as the files' own headers say, whatever their names claim.
  QImageReader reader(QString::fromStdString(path));
  reader.setDecideFormatFromContent(true);
  const QImage image = reader.read();
  if (image.isNull() || image.width() > 65535 || image.height() > 65535) {
    throw VbError(481, "Invalid picture");
  }
  picture->setPixmap(QPixmap::fromImage(image));
  if (!picture->hasScaledContents()) picture->resize(image.size());
  return PictureSize{image.width(), image.height()};
}

void QtBackdrop::ClearPicture(int index) { Surface().pictures[Slot(index)]->clear(); }

void QtBackdrop::SetPictureStretch(int index, bool stretch) {
  Surface().pictures[Slot(index)]->setScaledContents(stretch);
}

void QtBackdrop::MovePicture(int index, int32_t left, int32_t top, int32_t width, int32_t height) {
  Surface().pictures[Slot(index)]->setGeometry(Px(left), Px(top), Px(width), Px(height));
}

void QtBackdrop::SetPictureVisible(int index, bool visible) {
  Surface().pictures[Slot(index)]->setVisible(visible);
}

void QtBackdrop::MoveCloseGlyph(int32_t left, int32_t top) {
  Surface().glyph->move(Px(left), Px(top));
}

void QtBackdrop::SetCloseGlyphToolTip(const std::string& text) {
  Surface().glyph->setToolTip(QString::fromStdString(text));
}

void QtBackdrop::SetCloseGlyphVisible(bool visible) {
  QLabel* glyph = Surface().glyph;
  glyph->setVisible(visible);
  if (visible) glyph->raise();
}

std::optional<int> QtBackdrop::PopupMenu(const std::vector<std::string>& captions) {
  QMenu menu;
  std::vector<QAction*> actions;
  for (const auto& caption : captions) {
    actions.push_back(menu.addAction(QString::fromStdString(caption)));
  }
  QAction* chosen = menu.exec(QCursor::pos());
  for (size_t i = 0; i < actions.size(); ++i) {
    if (actions[i] == chosen) return static_cast<int>(i);
  }
  return std::nullopt;
}

}  // namespace zarn
