#include <gtest/gtest.h>

#include "script/GlobalStatements.h"
#include "script/LoadScript.h"
#include "support/Harness.h"

namespace zarn {
namespace {

using testing::Harness;
using testing::HarnessOptions;
using testing::Select;
using testing::TempFolder;
using testing::TraceLine;

// What a global statement reached: its port or module record, as
// "kind op arg|arg".
std::vector<std::string> Actions(const std::vector<TraceLine>& records, size_t from) {
  std::vector<std::string> out;
  for (size_t i = from; i < records.size(); ++i) {
    const TraceLine& r = records[i];
    const bool wanted = r.kind == "media" || r.kind == "shell" ||
                        (r.kind == "ui" && r.op != "Pointer") ||
                        (r.kind == "life" && r.op != "LoadScript") ||
                        (r.kind == "call" && (r.op == "PropertySheet.Visible" || r.op == "Speak"));
    if (!wanted) continue;
    std::string text = r.kind + " " + r.op;
    for (size_t a = 0; a < r.args.size(); ++a) text += (a ? "|" : " ") + r.args[a];
    out.push_back(text);
  }
  return out;
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
  // Interprets one line as a nested run and returns what it reached.
  std::vector<std::string> Run(const std::string& line) {
    const size_t before = harness_.Records().size();
    harness_.Agent().PlayScript(line + "\r\n", false, true, false);
    return Actions(harness_.Records(), before);
  }
  Harness harness_;
  TempFolder dir_;
  std::string script_;
};

TEST_F(GlobalStatementsTest, EachStatementCutsItsArgument) {
  const std::string wave = dir_.Write("Ding.wav", "RIFF");
  const std::string image = dir_.Write("sky.png", "png");
  const std::string story = dir_.Write("story.txt", "Once.");
  const std::string mark = "call Speak \\mrk=777777777\\|";
  using V = std::vector<std::string>;
  struct Case {
    std::string line;
    V expected;
  };
  const Case cases[] = {
      {"AgentControl.PropertySheet.Visible = True", {"call PropertySheet.Visible true"}},
      {"x agentcontrol. PropertySheet .visible= true y", {"call PropertySheet.Visible true"}},
      {"Pip.AgentControl.PropertySheet.Visible=True", {}},
      {"ShellEx notepad.exe", {"shell Start notepad.exe"}},
      {"RunCommand   notepad.exe  ", {"shell Start notepad.exe"}},
      {"ShellEx \"\"\"/opt/My Tools/tool\"\"\"", {"shell Start \"/opt/My Tools/tool\""}},
      {"shellex \"a\"\"b\"", {"shell Start a\"b"}},
      {"BGCOLOR \"#FF8000\"", {"ui Backdrop color|#FF8000"}},
      {"BgImage \"sky.png\"", {"ui Backdrop image|" + image}},
      {"BGIMAGE nowhere.png", {"ui Backdrop image|nowhere.png"}},
      {"PlayWave \"DING.WAV\"", {"media PlayWaveFile " + wave + "|false"}},
      {"PLAYWAVE", {}},
      {"STOPWAVE", {"media StopAllMedia"}},
      {"StopWaveNow", {"media StopAllMedia"}},
      {"STOPMIDI", {"media StopAllMedia"}},
      {"stopavi", {"media StopAllMedia"}},
      {"PlayMidi tune.mid,True", {"media PlayMidiFile tune.mid|true"}},
      {"PlayMidi tune.mid, True", {"media PlayMidiFile tune.mid|false"}},
      {"PlayMidi tune.mid", {"media PlayMidiFile tune.mid|false"}},
      {"PlayMidi \"Ding.wav\" ,yes", {"media PlayMidiFile " + wave + "|true"}},
      {"PlayAvi clip.avi,1", {"media PlayAviFile clip.avi|true"}},
      {"PlayAvi \"clip.avi\"", {"media PlayAviFile clip.avi|false"}},
      {"bgshow", {"ui Backdrop show|"}},
      {"BGSHOW NOW", {}},
      {"BgHide", {"ui Backdrop hide|"}},
      {"SendKeys \"abc{ENTER}\"", {"shell SendKeys abc{ENTER}"}},
      {"CloseApp \"Untitled - Editor\"", {"shell CloseApp Untitled - Editor"}},
      {"READCLIPBOARD", {}},
      {"ReadClipboard Pip", {"life ReadAloud clipboard|Pip|", mark}},
      {"ReadClipboard \"Pip\" , \"\\spd=200\\\"",
       {"life ReadAloud clipboard|Pip|\\spd=200\\", mark}},
      {"ReadTextFile story.txt", {}},
      {"ReadTextFile Pip, story.txt", {"life ReadAloud file|Pip|" + story + "|", mark}},
      {"ReadTextFile \"Pip\", \"*.txt\", \\pit=90\\",
       {"life ReadAloud file|Pip|*.txt|\\pit=90\\", mark}},
      {"OpenWindow Notepad", {}},
      {"MOVETOCONTROL OK", {}},
      {"Nothing to see here", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(Run(c.line), c.expected);
  }
}

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
            (std::vector<std::string>{"call Speak One|", "call Speak Other|", "call Speak Two|"}));
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
