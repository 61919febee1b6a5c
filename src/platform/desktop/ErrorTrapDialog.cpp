#include "platform/desktop/ErrorTrapDialog.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <vector>

#include "platform/desktop/DesktopArt.h"

namespace zarn {
namespace {

using error_dialog::Control;
using error_dialog::ControlKind;

QRect Pixels(const Control& c) {
  return QRect(c.left / 15, c.top / 15, c.width / 15, c.height / 15);
}

QString ObjectName(const Control& c) {
  return c.index < 0 ? QString(c.name) : QString("%1(%2)").arg(c.name).arg(c.index);
}

// The informational texts never keep the focus: it moves on to txtFocus.
class PassFocus : public QObject {
 public:
  PassFocus(QObject* parent, QWidget* target) : QObject(parent), target_(target) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusIn) target_->setFocus(Qt::OtherFocusReason);
    return QObject::eventFilter(watched, event);
  }

 private:
  QWidget* target_;
};

class ClickablePicture : public QLabel {
 public:
  ClickablePicture(QWidget* parent, std::function<void()> on_click)
      : QLabel(parent), on_click_(std::move(on_click)) {}

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && on_click_) on_click_();
  }

 private:
  std::function<void()> on_click_;
};

QWidget* MakeControl(QDialog* dialog, const Control& c, const std::string& text,
                     ErrorDialogActions* actions) {
  const QString name = ObjectName(c);
  QWidget* widget = nullptr;
  if (name == "imgZARN") {
    auto* picture = new ClickablePicture(dialog, [actions] {
      if (actions) actions->OpenHomePage();
    });
    picture->setPixmap(ErrorTrapPicture(c.width / 15, c.height / 15));
    picture->setCursor(Qt::PointingHandCursor);
    widget = picture;
  } else if (name == "IconPic") {
    auto* icon = new QLabel(dialog);
    icon->setPixmap(ProgramIcon().pixmap(32, 32));
    widget = icon;
  } else if (c.kind == ControlKind::kButton) {
    auto* button = new QPushButton(c.text, dialog);
    button->setAutoDefault(false);
    widget = button;
  } else if (name == "txtFocus" || name == "txtInfo(0)") {
    auto* line = new QLineEdit(c.text, dialog);
    line->setReadOnly(name != "txtFocus");
    widget = line;
  } else {
    auto* box = new QPlainTextEdit(dialog);
    box->setReadOnly(true);
    QString shown = QString::fromStdString(name == "txtMsg" ? text : error_dialog::kAdviceText);
    shown.replace("\r\n", "\n");
    box->setPlainText(shown);
    box->setVerticalScrollBarPolicy(name == "txtMsg" ? Qt::ScrollBarAlwaysOn
                                                     : Qt::ScrollBarAlwaysOff);
    widget = box;
  }
  widget->setObjectName(name);
  widget->setGeometry(Pixels(c));
  return widget;
}

// Our fonts run wider than the face the layout was made for: the advice
// text takes the largest size at which each of its lines fits the box, so
// no line breaks a second time and none is cut off below.
void FitLines(QPlainTextEdit* box) {
  box->setLineWrapMode(QPlainTextEdit::NoWrap);
  const QStringList lines = box->toPlainText().split('\n');
  const qreal margins = 2 * box->document()->documentMargin() + 2;
  const QRect room = box->contentsRect();
  QFont font = box->font();
  for (qreal size = font.pointSizeF(); size >= 5; size -= 0.25) {
    font.setPointSizeF(size);
    const QFontMetricsF metrics(font);
    qreal widest = 0;
    for (const QString& line : lines) {
      widest = std::max(widest, metrics.horizontalAdvance(line.trimmed()));
    }
    if (widest + margins <= room.width() &&
        metrics.lineSpacing() * static_cast<qreal>(lines.size()) + margins <= room.height()) {
      break;
    }
  }
  box->setFont(font);
}

// While the report waits, characters and balloons that map or raise
// themselves (a word spoken, a frame shown) go back under it.
class KeepOnTop : public QObject {
 public:
  explicit KeepOnTop(QWidget* dialog) : QObject(dialog), dialog_(dialog) {
    qApp->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    const auto type = event->type();
    if ((type == QEvent::Show || type == QEvent::ZOrderChange) && watched->isWidgetType()) {
      auto* widget = static_cast<QWidget*>(watched);
      if (widget->isWindow() && widget != dialog_ && dialog_->isVisible() &&
          !dialog_->isAncestorOf(widget) && widget->windowType() != Qt::Dialog &&
          widget->windowType() != Qt::Popup) {
        dialog_->raise();
        // A message box of its own ("Copied ...") stays above it.
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal != dialog_) modal->raise();
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QWidget* dialog_;
};

void Paint(QWidget* widget, QColor colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Base, colour);
  widget->setPalette(palette);
}

}  // namespace

std::unique_ptr<QDialog> MakeErrorTrapDialog(const std::string& caption, const std::string& text,
                                             ErrorDialogActions* actions) {
  auto dialog = std::make_unique<QDialog>();
  dialog->setWindowTitle(QString::fromStdString(caption));
  dialog->setWindowIcon(ProgramIcon());
  // Above the characters, which stay above everything else.
  dialog->setWindowFlag(Qt::WindowStaysOnTopHint);
  new KeepOnTop(dialog.get());
  // The form's 8.25-point face, so the texts fit the sizes the layout gives.
  QFont face = dialog->font();
  face.setPointSizeF(8.25);
  dialog->setFont(face);
  dialog->setFixedSize(error_dialog::kClientWidth / 15, error_dialog::kClientHeight / 15);
  std::vector<QWidget*> tab_order;
  for (const Control& c : error_dialog::kControls) {
    QWidget* widget = MakeControl(dialog.get(), c, text, actions);
    if (c.kind != ControlKind::kPicture) tab_order.push_back(widget);
  }
  for (size_t i = 1; i < tab_order.size(); ++i) {
    QWidget::setTabOrder(tab_order[i - 1], tab_order[i]);
  }
  auto find = [&](const char* name) { return dialog->findChild<QWidget*>(name); };
  QWidget* focus = find("txtFocus");
  const QColor button_face = dialog->palette().color(QPalette::Button);
  for (const char* info : {"txtInfo(0)", "txtInfo(1)"}) {
    QWidget* box = find(info);
    box->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
    box->installEventFilter(new PassFocus(box, focus));
    Paint(box, button_face);
  }
  QFont heading("Arial");
  heading.setBold(true);
  heading.setPointSizeF(15.75);
  find("txtInfo(0)")->setFont(heading);
  FitLines(static_cast<QPlainTextEdit*>(find("txtInfo(1)")));
  Paint(find("txtMsg"), QColor(255, 255, 192));

  QDialog* raw = dialog.get();
  auto button = [&](const char* name) { return static_cast<QPushButton*>(find(name)); };
  button("cmdOK")->setDefault(true);
  QObject::connect(button("cmdOK"), &QPushButton::clicked, raw, &QDialog::accept);
  QObject::connect(button("cmdClose"), &QPushButton::clicked, raw,
                   [raw] { raw->done(kCloseProgramResult); });
  QObject::connect(button("cmdCopy"), &QPushButton::clicked, raw, [actions, text] {
    if (actions) actions->CopyReport(text);
  });
  QObject::connect(button("cmdSendReport"), &QPushButton::clicked, raw, [actions] {
    if (actions) actions->OpenReportPage();
  });
  button("cmdOK")->setFocus();
  return dialog;
}

ErrorDialogPort::Choice ShowErrorTrapDialog(const std::string& caption, const std::string& text,
                                            ErrorDialogActions* actions) {
  auto dialog = MakeErrorTrapDialog(caption, text, actions);
  return dialog->exec() == kCloseProgramResult ? ErrorDialogPort::Choice::kCloseProgram
                                               : ErrorDialogPort::Choice::kOk;
}

}  // namespace zarn
