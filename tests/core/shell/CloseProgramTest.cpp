#include <gtest/gtest.h>

#include "support/Harness.h"

namespace zarn {
namespace {

using testing::Harness;
using testing::HarnessOptions;
using testing::Select;
using testing::TempFolder;

const char* const kHeader = "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n";

// Close Program in the error report ends the program the orderly way: the
// main form unloads, the script and every run it nests stop, and the loop
// ends, with no second report.
TEST(CloseProgram, StopsTheRunningScriptsAndUnloads) {
  struct Case {
    const char* name;
    std::string main;
    std::string inner;
    std::vector<std::string> spoken;
  };
  const Case cases[] = {
      {"a failing line of a nested script",
       "[Script]\nPip.Speak one\nPlayScript inner.zrn\nPip.Speak after\n",
       "[Script]\nPip.Speak inner\nSENDKEYS \"ab{FOO}\"\nPip.Speak inner after\n",
       {"one", "inner"}},
      {"a failure the loader goes on after",
       "[Script]\nPip.Speak one\nPlayScript inner.zrn\nPip.Speak after\n",
       "[Bookmarks]\nx=\n[Script]\nPip.Speak inner\n",
       {"one"}},
      {"a failing bookmark script while the performance runs",
       "[Bookmarks]\n1=\n[BookmarkScript:1]\nSENDKEYS \"ab{FOO}\"\nPip.Speak marked\n"
       "[Script]\nPip.Show\nPip.Speak \"one \\mrk=1\\ two\"\nPip.Speak after\n",
       "",
       {"one \\mrk=1\\ two", "after"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder dir;
    dir.Write("inner.zrn", std::string(kHeader) + c.inner);
    HarnessOptions options;
    options.command_line = dir.Write("main.zrn", std::string(kHeader) + c.main);
    Harness h(options);
    h.Desktop().CloseProgramAtNextReport();
    h.StartAndRun();

    EXPECT_FALSE(h.Form().Loaded());
    EXPECT_TRUE(h.program().Closed());
    const auto records = h.Records();
    const auto reports = Select(records, "ui", "ErrorReport");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].result, "close");
    EXPECT_EQ(Select(records, "life", "Unload").size(), 1u);
    EXPECT_FALSE(h.Desktop().TrayPresent());
    std::vector<std::string> spoken;
    for (const auto& r : Select(records, "call", "Speak")) spoken.push_back(r.Arg(0));
    EXPECT_EQ(spoken, c.spoken);
  }
}

}  // namespace
}  // namespace zarn
