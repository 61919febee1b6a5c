#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "base/VbError.h"
#include "core/shell/bCloseAll.h"
#include "support/Harness.h"

namespace zarn {
namespace {

using testing::Harness;
using testing::Select;

struct FakeWindow {
  std::string title;
  std::string class_name;
};

// Windows in order 1..n; records the close messages sent.
class FakeWindows : public WindowSystemPort {
 public:
  explicit FakeWindows(std::vector<FakeWindow> windows) : windows_(std::move(windows)) {}

  std::vector<WindowId> TopLevelWindows() override {
    std::vector<WindowId> ids;
    for (size_t i = 1; i <= windows_.size(); ++i) ids.push_back(i);
    return ids;
  }
  std::string WindowTitle(WindowId window) override {
    if (failing_title_ == window) Throw(vberr::kInvalidCall, "Invalid procedure call");
    return windows_.at(window - 1).title;
  }
  std::string ClassName(WindowId window) override { return windows_.at(window - 1).class_name; }
  void SendClose(WindowId window) override { sent.push_back(window); }
  void PostClose(WindowId window) override { posted.push_back(window); }
  WindowId FindWindowByTitle(const std::string&) override { return 0; }
  void RegisterMainWindow(const std::string&, const std::string&) override {}
  WindowId MainWindow() const override { return own_; }

  void SetOwn(WindowId window) { own_ = window; }
  void FailTitleOf(WindowId window) { failing_title_ = window; }

  std::vector<WindowId> sent;
  std::vector<WindowId> posted;

 private:
  std::vector<FakeWindow> windows_;
  WindowId own_ = 0;
  WindowId failing_title_ = 0;
};

TEST(CloseAllInstances, ClosesEveryOtherCopyInWindowOrder) {
  FakeWindows windows({
      {"ZARN://zarnplay", "ZARNPlayMain"},        // 1
      {"zarn://lower", "ThunderRT6Main"},         // 2: the title test ignores case
      {"ZARN://form", "ThunderRT6FormDC"},        // 3
      {"ZARN://me", "ZARNPlayMain"},              // 4: our own main window
      {"ZARN://case", "thunderrt6main"},          // 5: the class test does not
      {"Viewer of zarn://x", "OtherClass"},       // 6: another program
      {"", "ZARNPlayMain"},                       // 7: no title
      {"ZARN:/nearly", "ZARNPlayMain"},           // 8
      {"Playing ZARN://inside", "ZARNPlayMain"},  // 9: the mark may stand anywhere
      {"ZARN://none", ""},                        // 10
      // 11 and 12: the title is read into 255 characters.
      {std::string(248, 'x') + "ZARN://", "ZARNPlayMain"},
      {std::string(249, 'x') + "ZARN://", "ZARNPlayMain"},
  });
  windows.SetOwn(4);
  Harness h;
  h.program().ports.windows = &windows;
  bCloseAll::CloseAllInstances(h.program());
  EXPECT_EQ(windows.sent, (std::vector<WindowId>{1, 2, 3, 9, 11}));
  EXPECT_TRUE(windows.posted.empty());
}

TEST(CloseAllInstances, AFailingWindowIsReportedAndTheWalkGoesOn) {
  FakeWindows windows({{"ZARN://a", "ZARNPlayMain"}, {"ZARN://b", "ZARNPlayMain"}});
  windows.FailTitleOf(1);
  Harness h;
  h.program().ports.windows = &windows;
  bCloseAll::CloseAllInstances(h.program());
  EXPECT_EQ(windows.sent, (std::vector<WindowId>{2}));
  EXPECT_EQ(Select(h.Records(), "ui", "ErrorReport").size(), 1u);
}

}  // namespace
}  // namespace zarn
