#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <cstdlib>

#include "desktop/desktop_fixture.h"
#include "platform/desktop/ErrorTrapDialog.h"
#include "ports/ErrorDialogPort.h"

namespace zarn {
namespace {

struct RecordingActions : ErrorDialogActions {
  void CopyReport(const std::string& text) override { copied.push_back(text); }
  void OpenReportPage() override { opened.push_back("report"); }
  void OpenHomePage() override { opened.push_back("home"); }
  std::vector<std::string> copied;
  std::vector<std::string> opened;
};

using testing::App;

constexpr char kShown[] =
    "ZARN Version 7.0.10\r\n\r\nError 91, in Function 85A65038, Line 30\r\n\r\nNo object\r\n";

TEST(ErrorTrapDialogTest, ControlsSitWhereTheTableSays) {
  App();
  RecordingActions actions;
  auto dialog = MakeErrorTrapDialog("ZARN 7.0.10", kShown, &actions);
  EXPECT_EQ(dialog->size(), QSize(509, 331));
  for (const auto& c : error_dialog::kControls) {
    const QString name = c.index < 0 ? QString(c.name) : QString("%1(%2)").arg(c.name).arg(c.index);
    SCOPED_TRACE(name.toStdString());
    const QWidget* widget = dialog->findChild<QWidget*>(name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->geometry(), QRect(c.left / 15, c.top / 15, c.width / 15, c.height / 15));
    if (auto* button = qobject_cast<const QPushButton*>(widget)) {
      EXPECT_EQ(button->text().toStdString(), c.text);
      EXPECT_EQ(button->isDefault(), name == "cmdOK");
    }
  }
  const QFont heading = dialog->findChild<QWidget*>("txtInfo(0)")->font();
  EXPECT_TRUE(heading.bold());
  EXPECT_EQ(heading.pointSizeF(), 15.75);
  EXPECT_EQ(dialog->findChild<QWidget*>("txtMsg")->palette().color(QPalette::Base),
            QColor(255, 255, 192));
  // The tab order runs as the table lists the controls that take focus.
  QWidget* at = dialog->findChild<QWidget*>("txtInfo(0)");
  for (const char* next :
       {"txtMsg", "txtInfo(1)", "cmdCopy", "cmdSendReport", "cmdClose", "cmdOK", "txtFocus"}) {
    do {
      at = at->nextInFocusChain();
    } while (at->parentWidget() != dialog.get());  // past the scroll areas' parts
    EXPECT_EQ(at->objectName().toStdString(), next);
  }
  if (const char* shot = std::getenv("ZARN_ERRORTRAP_SHOT")) {
    dialog->grab().save(shot);
  }
}

// Each line of the advice text on one line of its box, all of it inside.
TEST(ErrorTrapDialogTest, AdviceTextReadsAsLaidOut) {
  App();
  auto dialog = MakeErrorTrapDialog("ZARN 7.0.10", kShown, nullptr);
  dialog->show();
  auto* box = dialog->findChild<QPlainTextEdit*>("txtInfo(1)");
  ASSERT_NE(box, nullptr);
  const QTextDocument* document = box->document();
  ASSERT_EQ(document->blockCount(), 9);  // eight lines and the last line break
  const QRect room = box->viewport()->rect();
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
    SCOPED_TRACE(block.text().toStdString());
    QTextCursor cursor(block);
    const QRect start = box->cursorRect(cursor);
    cursor.movePosition(QTextCursor::EndOfBlock);
    const QString text = block.text();
    // The blanks at the ends of lines may run past the edge.
    cursor.movePosition(QTextCursor::Left, QTextCursor::MoveAnchor,
                        static_cast<int>(text.size() - text.trimmed().size()));
    const QRect end = box->cursorRect(cursor);
    EXPECT_EQ(start.top(), end.top());
    EXPECT_LE(end.right(), room.right());
    EXPECT_LE(end.bottom(), room.bottom());
  }
  dialog->hide();
}

TEST(ErrorTrapDialogTest, ButtonsDoTheirWork) {
  App();
  RecordingActions actions;
  auto dialog = MakeErrorTrapDialog("ZARN 7.0.10", kShown, &actions);
  auto click = [&](const char* name) { dialog->findChild<QPushButton*>(name)->click(); };
  click("cmdCopy");
  click("cmdSendReport");
  EXPECT_EQ(actions.copied, std::vector<std::string>{kShown});
  EXPECT_EQ(actions.opened, std::vector<std::string>{"report"});
  dialog->open();
  click("cmdClose");
  EXPECT_EQ(dialog->result(), kCloseProgramResult);
  dialog->open();
  click("cmdOK");
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

}  // namespace
}  // namespace zarn
