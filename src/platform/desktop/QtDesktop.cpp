#include "platform/desktop/QtDesktop.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <iostream>
#include <utility>

#include "platform/desktop/DesktopArt.h"
#include "platform/desktop/ErrorTrapDialog.h"
#include "platform/desktop/QtScheduler.h"

namespace zarn {
namespace {

constexpr int32_t kRightButtonUp = 517;
constexpr int32_t kFileMustExist = 0x1000;

QString Q(const std::string& s) { return QString::fromStdString(s); }

// "Scripts (*.zrn;*.zrs)|*.zrn;*.zrs|All|*.*" -> Qt's "Scripts (*.zrn *.zrs)" list.
QStringList NameFilters(const std::string& filter) {
  const QStringList parts = Q(filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    out << parts[i] + " (" + patterns + ")";
  }
  return out;
}

// The buttons a question offers, and the answer the user gives.
void Exec(QMessageBox& box, MessageButtons buttons, MessageAnswer& answer) {
  switch (buttons) {
    case MessageButtons::kOk:
      box.setStandardButtons(QMessageBox::Ok);
      box.exec();
      break;
    case MessageButtons::kOkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      box.setDefaultButton(QMessageBox::Ok);
      answer = box.exec() == QMessageBox::Cancel ? MessageAnswer::kCancel : MessageAnswer::kOk;
      break;
    case MessageButtons::kYesNo:
      // A question about something risky: No is what Enter and Escape say.
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton(QMessageBox::No);
      box.setEscapeButton(QMessageBox::No);
      answer = box.exec() == QMessageBox::Yes ? MessageAnswer::kYes : MessageAnswer::kNo;
      break;
  }
}

}  // namespace

QtDesktop::QtDesktop(QtScheduler& loop, Trace& trace) : loop_(loop), trace_(trace) {}

QtDesktop::~QtDesktop() = default;

MessageAnswer QtDesktop::MessageBox(const std::string& text, MessageIcon icon,
                                    MessageButtons buttons, const std::string& title) {
  QMessageBox box(icon == MessageIcon::kWarning       ? QMessageBox::Warning
                  : icon == MessageIcon::kInformation ? QMessageBox::Information
                  : icon == MessageIcon::kQuestion    ? QMessageBox::Question
                                                      : QMessageBox::NoIcon,
                  Q(title), Q(text));
  MessageAnswer answer = MessageAnswer::kOk;
  if (!ending_) Exec(box, buttons, answer);
  // Closed by a quit request (or never shown): the cautious answer.
  if (ending_) {
    answer = buttons == MessageButtons::kOkCancel ? MessageAnswer::kCancel
             : buttons == MessageButtons::kYesNo  ? MessageAnswer::kNo
                                                  : MessageAnswer::kOk;
  }
  trace_.Write(TraceRecord("ui", "MessageBox")
                   .Arg(text)
                   .Arg(MessageIconName(icon))
                   .Arg(MessageButtonsName(buttons))
                   .Arg(title)
                   .Result(std::string(MessageAnswerName(answer))));
  return answer;
}

FileDialogResult QtDesktop::ShowFileDialog(const FileDialogRequest& request) {
  QFileDialog dialog(nullptr, Q(request.title), Q(request.initial_dir));
  dialog.setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog.setFileMode((request.flags & kFileMustExist) != 0 ? QFileDialog::ExistingFile
                                                           : QFileDialog::AnyFile);
  const QStringList filters = NameFilters(request.filter);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    const int index = request.filter_index > 0 ? request.filter_index - 1 : 0;
    if (index < filters.size()) dialog.selectNameFilter(filters[index]);
  }
  if (!request.default_ext.empty()) dialog.setDefaultSuffix(Q(request.default_ext));
  if (!request.file_name.empty()) dialog.selectFile(Q(request.file_name));
  // The filter captions name their patterns already: Qt would add them again.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  FileDialogResult result;
  if (!ending_ && dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
    const QString path = dialog.selectedFiles().front();
    result.confirmed = true;
    result.file_name = path.toStdString();
    result.file_title = QFileInfo(path).fileName().toStdString();
  }
  trace_.Write(TraceRecord("ui", "OpenDialog").Arg(request.title).Result(result.file_name));
  return result;
}

void QtDesktop::TrayAdd(const NotifyIconData& data) {
  if (!tray_) {
    tray_ = std::make_unique<QSystemTrayIcon>(ProgramIcon());
    QObject::connect(tray_.get(), &QSystemTrayIcon::activated,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                       // Left clicks do nothing; the menu comes on the right button.
                       // Posted: the menu must not run inside the icon's own mouse handler.
                       if (reason != QSystemTrayIcon::Context) return;
                       loop_.Post([this] {
                         if (events_) events_->TrayMouseMessage(kRightButtonUp);
                       });
                     });
  }
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    std::cerr << "zarnplay: no system tray on this desktop; the tray menu is not shown\n";
  }
  tray_->setToolTip(Q(data.tip));
  tray_->show();
  trace_.Write(TraceRecord("ui", "TrayAdd").Arg(data.tip));
}

void QtDesktop::TrayRemove(const NotifyIconData&) {
  if (!tray_) return;
  // Close may be chosen from the icon's own menu: delete it once back in the loop.
  tray_->hide();
  tray_.release()->deleteLater();
  trace_.Write(TraceRecord("ui", "TrayRemove"));
}

void QtDesktop::SetPopupMenu(const std::vector<std::string>& captions) {
  if (captions == menu_) return;
  menu_ = captions;
  TraceRecord record("ui", "Menu");
  for (const auto& caption : captions) record.Arg(caption);
  trace_.Write(record);
}

void QtDesktop::ChooseMenuItem(int index) {
  loop_.Post([this, index] {
    chosen_ = index;
    if (events_) events_->TrayMouseMessage(kRightButtonUp);
    chosen_.reset();
  });
}

std::optional<int> QtDesktop::TrackPopupMenu() {
  if (chosen_) return std::exchange(chosen_, std::nullopt);
  if (ending_) return std::nullopt;
  QMenu menu;
  std::vector<QAction*> actions;
  for (const auto& caption : menu_) actions.push_back(menu.addAction(Q(caption)));
  QAction* chosen = menu.exec(QCursor::pos());
  for (size_t i = 0; i < actions.size(); ++i) {
    if (actions[i] == chosen) return static_cast<int>(i);
  }
  return std::nullopt;
}

void QtDesktop::SetPointer(MousePointer pointer) {
  if (pointer == pointer_) return;
  pointer_ = pointer;
  if (pointer == MousePointer::kWait) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    while (QApplication::overrideCursor() != nullptr) QApplication::restoreOverrideCursor();
  }
  trace_.Write(
      TraceRecord("ui", "Pointer").Arg(pointer == MousePointer::kWait ? "wait" : "default"));
}

void QtDesktop::DoEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  loop_.RunDue();
}

void QtDesktop::Sleep(int32_t milliseconds) {
  // Windows and timers stay alive while the program waits.
  QEventLoop wait;
  QTimer::singleShot(std::max(0, milliseconds), &wait, &QEventLoop::quit);
  wait.exec();
}

int32_t QtDesktop::ScreenWidthTwips() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().width() * 15 : 1024 * 15;
}

int32_t QtDesktop::ScreenHeightTwips() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().height() * 15 : 768 * 15;
}

ErrorDialogPort::Choice QtDesktop::ShowReport(const std::string& caption,
                                              const std::string& report) {
  trace_.Write(TraceRecord("ui", "ErrorReport").Arg(report));
  if (ending_) return Choice::kOk;
  return ShowErrorTrapDialog(caption, report, report_actions_);
}

void QtDesktop::EndDialogs() {
  ending_ = true;
  // Each closes once its own loop runs again, innermost first.
  while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (auto* dialog = qobject_cast<QDialog*>(window); dialog && dialog->isVisible()) {
      dialog->reject();
    }
  }
}

}  // namespace zarn
