#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "base/VbError.h"
#include "core/script/LoadScript.h"
#include "core/script/zbShellEx.h"
#include "ports/ShellPort.h"
#include "ports/WindowSystemPort.h"
#include "support/Harness.h"

namespace zarn {
namespace {

using testing::Harness;
using testing::Select;
using testing::TraceLine;

// Records what reached the shell; programs start only when told to.
class FakeShell : public ShellPort {
 public:
  struct Open {
    std::string operation, file, parameters, directory;
    int32_t show = 0;
  };
  bool starts = false;
  int32_t open_result = 42;
  std::optional<VbError> open_failure;
  std::vector<std::string> started;
  std::vector<Open> opened;
  std::vector<std::string> typed;

  int32_t StartProgram(const std::string& command_line) override {
    started.push_back(command_line);
    if (!starts) Throw(vberr::kFileNotFound, "File not found");
    return 1234;
  }
  int32_t ShellExecute(const std::string& operation, const std::string& file,
                       const std::string& parameters, const std::string& directory,
                       int32_t show) override {
    opened.push_back({operation, file, parameters, directory, show});
    if (open_failure) throw *open_failure;
    return open_result;
  }
  void SendKeys(const KeystrokePlan& plan, bool wait) override {
    typed.push_back(plan.text + (wait ? " (wait)" : ""));
  }
};

std::vector<std::string> MessageTexts(const std::vector<TraceLine>& records) {
  std::vector<std::string> texts;
  for (const auto& r : Select(records, "ui", "MessageBox")) {
    texts.push_back(r.Arg(0) + "|" + r.Arg(1) + "|" + r.Arg(2) + "|" + r.Arg(3));
  }
  return texts;
}

TEST(RunShellCommand, StartsTheWholeTextOrOpensWhatTheSplitGives) {
  struct Case {
    const char* name;
    std::string command;
    bool starts;
    std::string started;  // empty: no start tried
    std::optional<std::pair<std::string, std::string>> opened;
    int32_t result;
  };
  const Case cases[] = {
      {"a program with its argument never reaches the split", "notepad.exe readme.txt", true,
       "notepad.exe readme.txt", std::nullopt, 0},
      {"blanks around are trimmed first", "   notepad.exe   ", true, "notepad.exe", std::nullopt,
       0},
      {"a document is opened", "readme.txt", false, "readme.txt", {{"readme.txt", ""}}, 42},
      {"a quoted path keeps its blanks, loses its quotes",
       "\"C:\\My Files\\report.doc\" /p",
       false,
       "\"C:\\My Files\\report.doc\" /p",
       {{"C:\\My Files\\report.doc", "/p"}},
       42},
      {"blanks inside the quotes and after are trimmed",
       "\"  a b.doc  \"   -x  y ",
       false,
       "\"  a b.doc  \"   -x  y",
       {{"a b.doc", "-x  y"}},
       42},
      {"a lone quote passes whole",
       "\"C:\\My Files\\report.doc /p",
       false,
       "\"C:\\My Files\\report.doc /p",
       {{"\"C:\\My Files\\report.doc /p", ""}},
       42},
      {"two quotes with nothing between pass whole",
       "\"\" x",
       false,
       "\"\" x",
       {{"\"\" x", ""}},
       42},
      {"unquoted: file up to the first blank",
       "https://example.org/a b  c",
       false,
       "https://example.org/a b  c",
       {{"https://example.org/a", "b  c"}},
       42},
      {"format.com with a drive is not on the list",
       "format.com c:",
       false,
       "format.com c:",
       {{"format.com", "c:"}},
       42},
      {"cmd.exe with arguments is not on the list",
       "cmd.exe /c dir",
       false,
       "cmd.exe /c dir",
       {{"cmd.exe", "/c dir"}},
       42},
      {"a full path to a listed program is not on the list",
       "C:\\Windows\\CMD.EXE",
       false,
       "C:\\Windows\\CMD.EXE",
       {{"C:\\Windows\\CMD.EXE", ""}},
       42},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h;
    FakeShell shell;
    shell.starts = c.starts;
    h.program().ports.shell = &shell;
    EXPECT_EQ(zbShellEx::RunShellCommand(h.program(), c.command), c.result);
    EXPECT_EQ(shell.started, std::vector<std::string>{c.started});
    if (c.opened) {
      ASSERT_EQ(shell.opened.size(), 1u);
      EXPECT_EQ(shell.opened[0].file, c.opened->first);
      EXPECT_EQ(shell.opened[0].parameters, c.opened->second);
      EXPECT_EQ(shell.opened[0].operation, "");
      EXPECT_EQ(shell.opened[0].directory, "");
      EXPECT_EQ(shell.opened[0].show, kShowNormal);
    } else {
      EXPECT_TRUE(shell.opened.empty());
    }
    EXPECT_TRUE(MessageTexts(h.Records()).empty());
    EXPECT_TRUE(Select(h.Records(), "shell", "Refused").empty());
  }
}

TEST(RunShellCommand, RefusesOnlyAWholeListedCommand) {
  struct Case {
    const char* command;
    bool refused;
  };
  const Case cases[] = {
      {"Format.com", true},
      {"  cmd.exe  ", true},
      {"COMMAND PROMPT", true},
      {"ms-dos", true},
      {"RESTORE.EXE", true},
      {"format.com c:", false},
      {"cmd.exe /c dir", false},
      {"/usr/bin/cmd.exe", false},
      {"cmd", false},
      {"format.exe|replace.exe", true},  // still a stretch of the list
      {"", false},
      {"|", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    EXPECT_EQ(zbShellEx::IsDeniedCommand(c.command), c.refused);
  }

  Harness h;
  FakeShell shell;
  h.program().ports.shell = &shell;
  EXPECT_EQ(zbShellEx::RunShellCommand(h.program(), "  Format.com "), 0);
  EXPECT_TRUE(shell.started.empty());
  EXPECT_TRUE(shell.opened.empty());
  const auto refused = Select(h.Records(), "shell", "Refused");
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_EQ(refused[0].args, std::vector<std::string>{"Format.com"});
  EXPECT_EQ(
      MessageTexts(h.Records()),
      std::vector<std::string>{"Command is not allowed:\r\n\r\nFormat.com|warning|ok|ZARNPlay"});
}

TEST(RunShellCommand, AFailingShellOpenIsShownWithTheFileAndKeepsResultZero) {
  Harness h;
  FakeShell shell;
  shell.open_failure = VbError(70, "Permission denied");
  h.program().ports.shell = &shell;
  EXPECT_EQ(zbShellEx::RunShellCommand(h.program(), "\"/srv/a b/report.doc\" /p"), 0);
  EXPECT_EQ(MessageTexts(h.Records()),
            std::vector<std::string>{
                "Error opening:\r\n/srv/a b/report.doc\r\n\r\nError 70 : Permission denied|"
                "warning|ok|ZARNPlay"});
  // Without any shell the open step fails the same way.
  Harness bare;
  bare.program().ports.shell = nullptr;
  EXPECT_EQ(zbShellEx::RunShellCommand(bare.program(), "readme.txt"), 0);
  const auto texts = MessageTexts(bare.Records());
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].rfind("Error opening:\r\nreadme.txt\r\n\r\nError 91 : ", 0), 0u);
}

TEST(RunShellCommand, AnOpenThatFindsNothingIsNotReported) {
  Harness h;  // the headless shell, in dry-run mode
  EXPECT_EQ(zbShellEx::RunShellCommand(h.program(), "/nonexistent-folder/readme.txt"),
            kShellExecuteFileNotFound);
  EXPECT_TRUE(MessageTexts(h.Records()).empty());
  const auto starts = Select(h.Records(), "shell", "Start");
  const auto opens = Select(h.Records(), "shell", "Open");
  ASSERT_EQ(starts.size(), 1u);
  ASSERT_EQ(opens.size(), 1u);
  EXPECT_EQ(opens[0].args, (std::vector<std::string>{"/nonexistent-folder/readme.txt", ""}));
}

// Stands in for the window system: windows with titles, and the close
// messages they were sent.
class FakeWindows : public WindowSystemPort {
 public:
  std::vector<std::pair<WindowId, std::string>> windows{{7, "Untitled - Editor"},
                                                        {9, "Calculator"}};
  std::vector<WindowId> posted;
  std::vector<WindowId> sent;

  std::vector<WindowId> TopLevelWindows() override { return {7, 9}; }
  std::string WindowTitle(WindowId window) override {
    for (const auto& [id, title] : windows) {
      if (id == window) return title;
    }
    return {};
  }
  std::string ClassName(WindowId) override { return {}; }
  void SendClose(WindowId window) override { sent.push_back(window); }
  void PostClose(WindowId window) override { posted.push_back(window); }
  WindowId FindWindowByTitle(const std::string& title) override {
    for (const auto& [id, text] : windows) {
      if (text == title) return id;
    }
    return 0;
  }
  void RegisterMainWindow(const std::string&, const std::string&) override {}
  WindowId MainWindow() const override { return 0; }
};

TEST(CloseWindowByTitle, PostsToTheExactTitleAndIgnoresUnknownOnes) {
  struct Case {
    const char* title;
    std::vector<WindowId> posted;
  };
  const Case cases[] = {{"Calculator", {9}},
                        {"Untitled - Editor", {7}},
                        {"No Such Window", {}},
                        {"Calculator ", {}},
                        {"", {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    Harness h;
    FakeWindows windows;
    h.program().ports.windows = &windows;
    zbShellEx::CloseWindowByTitle(h.program(), c.title);
    EXPECT_EQ(windows.posted, c.posted);
    EXPECT_TRUE(windows.sent.empty());  // never waits for the window
    EXPECT_TRUE(MessageTexts(h.Records()).empty());
    const auto records = Select(h.Records(), "shell", "CloseApp");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].args, std::vector<std::string>{c.title});
  }
}

TEST(ShellStatements, KeystrokesAreCheckedWholeBeforeAnythingIsTyped) {
  Harness h;
  h.CreateServices();
  testing::TempFolder dir;
  ASSERT_TRUE(LoadScript(
      h.program(), dir.Write("k.zrn", "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n"),
      false));
  FakeShell shell;
  h.program().ports.shell = &shell;
  h.Agent().PlayScript(
      "SENDKEYS \"ab{FOO}\"\r\nSENDKEYS \"+(ec)~\"\r\nCLOSEAPP \"Nobody Home\"\r\nSENDKEYS ++a\r\n",
      false, true, false);
  // Each malformed string went to the error trap; the good one was typed.
  EXPECT_EQ(shell.typed, std::vector<std::string>{"+(ec)~ (wait)"});
  const auto reports = Select(h.Records(), "ui", "ErrorReport");
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_NE(reports[0].Arg(0).find("Error 5,"), std::string::npos) << reports[0].Arg(0);
  // Without a window system, CLOSEAPP finds nothing and reports nothing.
  EXPECT_EQ(Select(h.Records(), "shell", "CloseApp").size(), 1u);
}

TEST(ShellStatements, TheHeadlessShellTracesTheKeysAsWrittenAndTheirPlan) {
  Harness h;
  h.CreateServices();
  testing::TempFolder dir;
  ASSERT_TRUE(LoadScript(
      h.program(), dir.Write("k.zrn", "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n"),
      false));
  h.Agent().PlayScript("SENDKEYS \"%{F4}\"\r\n", false, true, false);
  const auto keys = Select(h.Records(), "shell", "SendKeys");
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys[0].args, (std::vector<std::string>{"%{F4}", ParseKeystrokes("%{F4}").ToText()}));
}

}  // namespace
}  // namespace zarn
