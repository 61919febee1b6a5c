#include <gtest/gtest.h>

#include <functional>

#include "core/errortrap/frmErrorTrap.h"
#include "ports/ClipboardPort.h"
#include "support/Harness.h"

namespace zarn {
namespace {

using testing::Harness;
using testing::Select;

TEST(frmErrorTrapTest, CopyPutsTheWholeShownTextOnTheClipboardAndSaysSo) {
  Harness h;
  h.program().ports.clipboard->SetText("old");
  frmErrorTrap::Actions actions(h.program());
  const std::string shown =
      "ZARN Version 7.0.10\r\n\r\nError 91, in Function 85A65038, Line 30\r\n\r\nNo object\r\n";
  actions.CopyReport(shown);
  EXPECT_EQ(h.program().ports.clipboard->GetText(), shown);
  const auto boxes = Select(h.Records(), "ui", "MessageBox");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].args, (std::vector<std::string>{"Copied ZARN Error Message to the Clipboard.",
                                                     "information", "ok", "ZARNPlay"}));
}

TEST(frmErrorTrapTest, ThePagesOpenThroughTheShell) {
  const struct {
    std::function<void(frmErrorTrap::Actions&)> act;
    const char* page;
  } cases[] = {
      {[](frmErrorTrap::Actions& a) { a.OpenReportPage(); }, frmErrorTrap::kReportPage},
      {[](frmErrorTrap::Actions& a) { a.OpenHomePage(); }, frmErrorTrap::kHomePage},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page);
    Harness h;
    frmErrorTrap::Actions actions(h.program());
    c.act(actions);
    const auto opens = Select(h.Records(), "shell", "Open");
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0].args[0], c.page);
  }
}

// The controls keep inside the dialog, apart from the focus sink, and no two
// overlap.
TEST(frmErrorTrapTest, LayoutKeepsEveryVisibleControlInsideAndApart) {
  const auto& controls = frmErrorTrap::kControls;
  for (size_t i = 0; i < controls.size(); ++i) {
    const auto& a = controls[i];
    SCOPED_TRACE(a.name);
    const bool inside = a.left + a.width <= frmErrorTrap::kClientWidth &&
                        a.top + a.height <= frmErrorTrap::kClientHeight;
    EXPECT_EQ(inside, std::string(a.name) != "txtFocus");
    for (size_t j = i + 1; j < controls.size(); ++j) {
      const auto& b = controls[j];
      const bool overlap = a.left < b.left + b.width && b.left < a.left + a.width &&
                           a.top < b.top + b.height && b.top < a.top + a.height;
      EXPECT_FALSE(overlap) << b.name;
    }
  }
}

}  // namespace
}  // namespace zarn
