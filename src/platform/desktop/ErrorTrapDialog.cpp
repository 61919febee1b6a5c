#include "platform/desktop/ErrorTrapDialog.h"

#include <QMessageBox>
#include <QPushButton>

namespace zarn {

ErrorDialogPort::Choice ShowErrorTrapDialog(const std::string& caption, const std::string& report) {
  QMessageBox box(QMessageBox::Critical, QString::fromStdString(caption),
                  QString::fromStdString(report));
  box.addButton(QMessageBox::Ok);
  QPushButton* close = box.addButton("Close Program", QMessageBox::DestructiveRole);
  box.exec();
  return box.clickedButton() == close ? ErrorDialogPort::Choice::kCloseProgram
                                      : ErrorDialogPort::Choice::kOk;
}

}  // namespace zarn
