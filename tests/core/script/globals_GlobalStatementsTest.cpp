#include <gtest/gtest.h>

#include "base/VbString.h"
#include "core/script/GlobalStatements.h"
#include "core/script/LoadScript.h"
#include "support/Harness.h"

namespace zarn {
namespace {

using testing::Harness;
using testing::HarnessOptions;
using testing::Select;
using testing::TempFolder;
using testing::TraceLine;

using Kind = GlobalStatementKind;

GlobalStatement Parse(const std::string& line) {
  bErrorTrap::Trap errors;
  return ParseGlobalStatement(errors, line, UCase(line));
}

// kind, argument, character, prefix, repeat, resolve, rest of the line
std::string Describe(const GlobalStatement& s) {
  return std::to_string(static_cast<int>(s.kind)) + " [" + s.argument + "] [" + s.character +
         "] [" + s.prefix + "] " + (s.repeat ? "repeat " : "") + (s.resolve ? "resolve " : "") +
         "{" + s.rest + "}";
}

TEST(ParseGlobalStatement, StatementsAndTheArgumentsTheyCut) {
  struct Case {
    std::string line;
    Kind kind;
    std::string argument;
    std::string character = "";
    std::string prefix = "";
    bool repeat = false;
    bool resolve = false;
  };
  const Case cases[] = {
      {"AgentControl.PropertySheet.Visible = True", Kind::kPropertySheet, ""},
      {"x agentcontrol. PropertySheet .visible= true y", Kind::kPropertySheet, ""},
      {"ShellEx notepad.exe", Kind::kShellCommand, "notepad.exe"},
      {"RunCommand   notepad.exe  ", Kind::kShellCommand, "notepad.exe"},
      {"ShellEx \"\"\"/opt/My Tools/tool\"\"\"", Kind::kShellCommand, "\"/opt/My Tools/tool\""},
      {"shellex \"a\"\"b\"", Kind::kShellCommand, "a\"b"},
      {"ShellEx \"", Kind::kShellCommand, ""},
      {"SHELLEX", Kind::kNone, ""},
      {"BGCOLOR \"#FF8000\"", Kind::kBackdropColor, "#FF8000"},
      {"BgImage \"sky.png\"", Kind::kBackdropImage, "sky.png", "", "", false, true},
      {"PlayWave \"\"Ding.wav\"\"", Kind::kPlayWave, "Ding.wav", "", "", false, true},
      {"PLAYWAVE", Kind::kNone, ""},
      {"STOPWAVE", Kind::kStopMedia, ""},
      {"StopWaveNow", Kind::kStopMedia, ""},
      {"STOPMIDI", Kind::kStopMedia, ""},
      {"stopavi", Kind::kStopMedia, ""},
      {"PlayMidi tune.mid,True", Kind::kPlayMidi, "tune.mid", "", "", true, true},
      {"PlayMidi tune.mid, True", Kind::kPlayMidi, "tune.mid", "", "", false, true},
      {"PlayMidi tune.mid", Kind::kPlayMidi, "tune.mid", "", "", false, true},
      {"PlayMidi \"my tune.mid\" ,yes", Kind::kPlayMidi, "my tune.mid", "", "", true, true},
      {"PlayAvi clip.avi,1", Kind::kPlayAvi, "clip.avi", "", "", true, true},
      {"PlayAvi \"clip.avi\"", Kind::kPlayAvi, "clip.avi", "", "", false, true},
      {"bgshow", Kind::kShowBackdrop, ""},
      {"BGSHOW NOW", Kind::kNone, ""},
      {"BgHide", Kind::kHideBackdrop, ""},
      {"SendKeys \"abc{ENTER}\"", Kind::kSendKeys, "abc{ENTER}"},
      {"CloseApp \"Untitled - Editor\"", Kind::kCloseApp, "Untitled - Editor"},
      {"ZARN.Close", Kind::kClose, ""},
      {"ZARN.Close now", Kind::kNone, ""},
      {"READCLIPBOARD", Kind::kNone, ""},
      {"ReadClipboard Pip", Kind::kReadClipboard, "", "Pip"},
      {"ReadClipboard \"Pip\" , \"\\spd=200\\\"", Kind::kReadClipboard, "", "Pip", "\\spd=200\\"},
      {"ReadTextFile story.txt", Kind::kNoAction, ""},
      {"ReadTextFile Pip, story.txt", Kind::kReadTextFile, "story.txt", "Pip", "", false, true},
      {"ReadTextFile \"Pip\", \"*.txt\", \\pit=90\\", Kind::kReadTextFile, "*.txt", "Pip",
       "\\pit=90\\", false, true},
      {"PlayScript \"other.zrn\"", Kind::kPlayScript, "other.zrn", "", "", false, true},
      {"OpenWindow Notepad", Kind::kNoAction, ""},
      {"MOVETOCONTROL OK", Kind::kNoAction, ""},
      {"MoveToControlOK", Kind::kNone, ""},
      {"Nothing to see here", Kind::kNone, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const GlobalStatement s = Parse(c.line);
    GlobalStatement expected;
    expected.kind = c.kind;
    expected.argument = c.argument;
    expected.character = c.character;
    expected.prefix = c.prefix;
    expected.repeat = c.repeat;
    expected.resolve = c.resolve;
    expected.rest = s.rest;
    EXPECT_EQ(Describe(s), Describe(expected));
  }
}

TEST(ParseGlobalStatement, TheWaitTestSeesTheArgumentAfterAStatement) {
  EXPECT_EQ(Parse("PlayWave WaitForReq").rest, "WaitForReq");
  EXPECT_EQ(Parse("WaitForReq").rest, "WaitForReq");
  EXPECT_EQ(Parse("BGSHOW").rest, "BGSHOW");
}

class GlobalStatementsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("ZARN_CHARACTERS", testing::TestCharacterFolder().c_str(), 1);
  }
  void SetUp() override {
    harness_.CreateServices();
    script_ = dir_.Write("main.zrn", "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n");
    ASSERT_TRUE(LoadScript(harness_.program(), script_, false));
  }
  // Interprets lines as a nested run and returns the texts spoken.
  std::vector<std::string> Run(const std::string& lines) {
    const size_t before = harness_.Records().size();
    harness_.Agent().PlayScript(lines + "\r\n", false, true, false);
    const auto records = harness_.Records();
    std::vector<std::string> spoken;
    for (size_t i = before; i < records.size(); ++i) {
      if (records[i].kind == "call" && records[i].op == "Speak")
        spoken.push_back(records[i].Arg(0));
    }
    return spoken;
  }
  Harness harness_;
  TempFolder dir_;
  std::string script_;
};

TEST_F(GlobalStatementsTest, ZarnCloseShutsDownUnlessTheExecutableIsZarn) {
  struct Case {
    const char* exe;
    bool shuts_down;
  };
  const Case cases[] = {{"/opt/zarn/zarnplay", true},
                        {"/opt/zarn/ZARN", false},
                        {"/opt/zarn/zarn.exe", false},
                        {"/opt/zarn/ZARN2", true}};
  const std::string closing = dir_.Write(
      "close.zrn", "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Script]\nZARN.Close\n");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.exe);
    HarnessOptions options;
    options.command_line = closing;
    options.exe_path = c.exe;
    Harness h(options);
    h.Start();  // plays the script; the automatic end comes only later
    EXPECT_EQ(Select(h.Records(), "life", "ShutDown").size(), c.shuts_down ? 1u : 0u);
  }
}

TEST_F(GlobalStatementsTest, PlayScriptRunsTheOtherScriptInsideTheLine) {
  dir_.Write("other.zrn",
             "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Script]\nPip.Speak Other\n");
  const size_t ends_before = Select(harness_.Records(), "call", "Get").size();
  EXPECT_EQ(Run("Pip.Speak One\r\nPlayScript \"other.zrn\"\r\nPip.Speak Two"),
            (std::vector<std::string>{"One", "Other", "Two"}));
  EXPECT_EQ(harness_.program().document.ScriptPath, dir_ / "other.zrn");
  // The other script is a main script: it queues its end marker.
  EXPECT_EQ(Select(harness_.Records(), "call", "Get").size(), ends_before + 1);
}

TEST_F(GlobalStatementsTest, ScriptsPlayingEachOtherStopAtTheNestingBound) {
  dir_.Write("a.zrn",
             "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Script]\n"
             "PlayScript b.zrn\nPip.Speak back in a\n");
  dir_.Write("b.zrn",
             "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Script]\n"
             "PlayScript a.zrn\n");
  Run("PlayScript a.zrn\r\nPip.Speak done");
  const auto records = harness_.Records();
  EXPECT_EQ(Select(records, "life", "LoadScript").size(), 1u + 64u);
  const auto boxes = Select(records, "ui", "MessageBox");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Arg(0),
            "'a.zrn' was not played: PLAYSCRIPT has started more than 64 scripts inside each "
            "other.");
  EXPECT_EQ(boxes[0].Arg(1), "warning");
  EXPECT_EQ(boxes[0].Arg(3), "ZARNPlay");
  // Every level went on with its next line.
  size_t back_in_a = 0;
  for (const auto& r : Select(records, "call", "Speak")) back_in_a += r.Arg(0) == "back in a";
  EXPECT_EQ(back_in_a, 32u);
  EXPECT_EQ(Select(records, "call", "Speak").back().Arg(0), "done");
  // The bound is on depth, not a count: it is free again afterwards.
  Run("PlayScript b.zrn");
  EXPECT_EQ(Select(harness_.Records(), "ui", "MessageBox").size(), 2u);
}

}  // namespace
}  // namespace zarn
