#include <gtest/gtest.h>

#include <filesystem>

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
