#include <gtest/gtest.h>

#include <filesystem>

#include "app/Options.h"
#include "support/Harness.h"

namespace zarn {
namespace {

using testing::Harness;
using testing::HarnessOptions;
using testing::Ops;
using testing::Select;
using testing::TempFolder;

const char* const kScript =
    "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Script]\nPip.Speak \"Hi %who%\"\n";

HarnessOptions With(const std::string& command_line, const std::string& exe = "") {
  HarnessOptions options;
  options.command_line = command_line;
  options.exe_path = exe;
  return options;
}

std::vector<std::string> Loaded(const Harness& h) {
  std::vector<std::string> paths;
  for (const auto& r : Select(h.Records(), "life", "LoadScript")) paths.push_back(r.Arg(0));
  return paths;
}

TEST(Startup, FindsTheScriptFromTheCommandLine) {
  TempFolder dir;
  const auto path = dir.Write("demo.zrn", kScript);
  const auto spaced = dir.Write("my demo.zrn", kScript);
  const auto app = dir.Write("app/only.zrn", kScript);
  struct Case {
    std::string command_line;
    std::string exe;
    std::string loaded;  // empty: nothing loads
  };
  const Case cases[] = {
      {path, "", path},
      {"\"" + path + "\"", "", path},
      {"\"\"" + spaced + "\"\"", "", spaced},
      {"only.zrn", dir / "app/zarnplay", dir / "app/only.zrn"},
      {path + " /who=World", "", path},
      {dir.Path(), "", ""},  // a folder is not a script
      {dir / "missing.zrn", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command_line);
    Harness h(With(c.command_line, c.exe));
    h.Start();
    const auto loaded = Loaded(h);
    if (c.loaded.empty()) {
      EXPECT_TRUE(loaded.empty());
      EXPECT_FALSE(h.Form().Loaded());  // start-up ended the program
      EXPECT_TRUE(Select(h.Records(), "ui", "MessageBox").empty());
    } else {
      ASSERT_EQ(loaded.size(), 1u);
      EXPECT_EQ(loaded[0], c.loaded);
      EXPECT_TRUE(h.Form().Loaded());
    }
  }
}

TEST(Startup, PathWithVariablesSpeaksTheVariable) {
  TempFolder dir;
  const auto path = dir.Write("demo.zrn", kScript);
  Harness h(With(path + " /who=World"));
  h.StartAndRun();
  const auto speaks = Select(h.Records(), "call", "Speak");
  ASSERT_EQ(speaks.size(), 1u);
  EXPECT_EQ(speaks[0].Arg(0), "Hi World");
}

TEST(Startup, CommandLineVariables) {
  struct Case {
    const char* command_line;
    std::vector<std::pair<std::string, std::string>> variables;
  };
  const Case cases[] = {
      {"/a=1/b=2", {{"a", "1"}, {"b", "2"}}},
      {"/a=1=2", {{"a", "1"}}},
      {"/novalue/c = 3 /", {{"c", "3"}}},
      {"", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command_line);
    Harness h(With(c.command_line, "/opt/x/Player"));
    h.Start();
    std::vector<std::pair<std::string, std::string>> got;
    for (const auto& e : h.program().variables.Entries()) {
      EXPECT_EQ(e.group, "Command");
      got.emplace_back(e.name, e.value);
    }
    EXPECT_EQ(got, c.variables);
  }
}

// Argument vectors as a Linux shell passes them: the script, its
// variables, the close-all switch and our options, wherever they stand.
TEST(Startup, ArgumentVectors) {
  TempFolder dir;
  const auto odd = dir.Write("CloseAllDemos/a=b/closeall.zrn", kScript);
  using Vars = std::vector<std::pair<std::string, std::string>>;
  struct Case {
    std::vector<std::string> argv;
    bool split;  // false: one Windows-style string, cut by start-up
    std::string script;
    Vars variables;
    bool close_all;
    bool idle_exit;
  };
  const Case cases[] = {
      {{"t1.zrn"}, true, "t1.zrn", {}, false, false},
      {{"t1.zrn", "--idle-exit"}, true, "t1.zrn", {}, false, true},
      {{"--idle-exit", "t1.zrn", "/who=World", "/a=1=2"},
       true,
       "t1.zrn",
       Vars{{"who", "World"}, {"a", "1"}},
       false,
       true},
      {{odd}, true, odd, {}, false, false},
      {{odd, "/x=1"}, true, odd, Vars{{"x", "1"}}, false, false},
      {{"/CloseAll"}, true, "", {}, true, false},
      {{"t1.zrn", "/CLOSEALL"}, true, "t1.zrn", {}, true, false},
      {{"t1.zrn /who=World"}, false, "", {}, false, false},
      {{"--", "--odd.zrn", "--idle-exit"}, true, "--odd.zrn", {}, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.argv.front());
    std::string error;
    const Options o = ParseOptions(c.argv, error);
    ASSERT_EQ(error, "");
    EXPECT_EQ(o.idle_exit, c.idle_exit);
    ASSERT_EQ(o.arguments.has_value(), c.split);
    if (!c.split) continue;
    EXPECT_EQ(o.arguments->script, c.script);
    EXPECT_EQ(o.arguments->variables, c.variables);
    EXPECT_EQ(o.arguments->close_all, c.close_all);
  }
}

// A path holding "/closeall" and "a=b" plays, and names no variable; a
// missing script named on its own says so and fails the run.
TEST(Startup, ArgumentsPlayOddPathsAndReportMissingScripts) {
  TempFolder dir;
  const auto odd = dir.Write("CloseAllDemos/a=b/closeall.zrn", kScript);
  HarnessOptions options;
  options.arguments = StartArguments{odd, {{"who", "World"}}, false};
  Harness h(options);
  h.StartAndRun();
  EXPECT_EQ(Loaded(h), std::vector<std::string>{odd});
  const auto speaks = Select(h.Records(), "call", "Speak");
  ASSERT_EQ(speaks.size(), 1u);
  EXPECT_EQ(speaks[0].Arg(0), "Hi World");
  EXPECT_EQ(h.program().ExitCode, 0);

  options.arguments = StartArguments{dir / "missing.zrn", {}, false};
  Harness missing(options);
  missing.Start();
  EXPECT_EQ(missing.program().ExitCode, 1);
  EXPECT_FALSE(missing.Form().Loaded());
  const auto boxes = Select(missing.Records(), "ui", "MessageBox");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Arg(0), "'missing.zrn' is not a valid ZARN Script File.");
}

TEST(Startup, VariablesReadTheProcessEnvironmentThroughThePort) {
  ::setenv("ZARN_UTIL_TEST_VAR", "from-env", 1);
  Harness h;
  std::string text = "%zarn_util_test_var%";
  h.program().variables.SubstituteVariables(text);
  EXPECT_EQ(text, "from-env");
}

TEST(Startup, CloseAllSwitchEndsWithoutTrayOrScript) {
  TempFolder dir;
  const auto path = dir.Write("demo.zrn", kScript);
  for (const std::string& line :
       std::vector<std::string>{"/CLOSEALL", path + " /closeAll", "x /cLoSeAlL y"}) {
    SCOPED_TRACE(line);
    Harness h(With(line));
    int walks = 0;
    h.Form().CloseAllInstances = [&] { ++walks; };
    h.Start();
    EXPECT_EQ(walks, 1);
    EXPECT_FALSE(h.Form().Loaded());
    EXPECT_TRUE(Select(h.Records(), "ui", "TrayAdd").empty());
    EXPECT_TRUE(Loaded(h).empty());
    EXPECT_TRUE(h.Form().Caption().empty());
  }
}

TEST(Startup, EmptyCommandLineDependsOnTheProgramName) {
  TempFolder dir;
  const auto path = dir.Write("picked.zrn", kScript);
  struct Case {
    const char* exe;
    bool dialog;
  };
  const Case cases[] = {{"/usr/bin/zarnplay", true},
                        {"/usr/bin/ZARNPLAY", true},
                        {"/usr/bin/DidaDiz.exe", true},
                        {"/usr/bin/myshow", false},
                        {"/usr/bin/zarnplayer", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.exe);
    Harness h(With("", c.exe));
    bool extracted = false;
    h.Form().ExtractEmbeddedScript = [&] {
      extracted = true;
      return false;
    };
    h.Start();
    EXPECT_EQ(Select(h.Records(), "ui", "OpenDialog").size(), c.dialog ? 1u : 0u);
    EXPECT_EQ(extracted, !c.dialog);
    EXPECT_FALSE(h.Form().Loaded());  // cancelled dialog / nothing appended: silent end
    EXPECT_TRUE(Select(h.Records(), "ui", "MessageBox").empty());
  }
  Harness chosen(With("", "/usr/bin/zarnplay"));
  chosen.Desktop().AnswerNextDialog(path);
  chosen.Start();
  ASSERT_EQ(Loaded(chosen).size(), 1u);
  EXPECT_EQ(Loaded(chosen)[0], path);
  const auto dialog = Select(chosen.Records(), "ui", "OpenDialog");
  EXPECT_EQ(dialog[0].Arg(0), "Open ZARN Script");
}

TEST(Startup, CaptionAndTrayAndAutomaticShutdown) {
  TempFolder dir;
  const auto path = dir.Write("demo.zrn", kScript);
  Harness h(With(path, "/opt/zarn/ZARNPlay"));
  h.StartAndRun();
  EXPECT_EQ(h.Form().Caption(), "ZARN://ZARNPlay");
  const auto ops = Ops(h.Records());
  auto index = [&](const std::string& op) {
    return std::find(ops.begin(), ops.end(), op) - ops.begin();
  };
  EXPECT_LT(index("ui TrayAdd"), index("life LoadScript"));
  EXPECT_LT(index("life LoadScript"), index("life ShutDown"));
  EXPECT_LT(index("life ShutDown"), index("ui TrayRemove"));
  EXPECT_FALSE(h.Form().Loaded());
}

}  // namespace
}  // namespace zarn
