#include <gtest/gtest.h>

#include "core/script/LoadScript.h"
#include "support/Harness.h"

namespace zarn {
namespace {

using testing::Harness;
using testing::HarnessOptions;
using testing::Select;
using testing::TempFolder;
using testing::TraceLine;

// Loads Pip (and Mini) and interprets `script` as a main script.
class PlayScriptTest : public ::testing::Test {
 protected:
  void SetUp() override { harness_.CreateServices(); }

  std::vector<TraceLine> Play(const std::string& script, bool recursive = false, bool two = false) {
    return PlayIn(harness_, script, recursive, two);
  }
  std::vector<TraceLine> PlayIn(Harness& harness, const std::string& script, bool recursive,
                                bool two = false) {
    const std::string characters = two ? "Pip=Pip.acs\nMini=Mini.acs\nPip=x\n" : "Pip=Pip.acs\n";
    const auto path =
        dir_.Write("t.zrn", "[ZARN Script]\nVersion=7.0\n[Characters]\n" + characters);
    EXPECT_TRUE(LoadScript(harness.program(), path, false));
    std::string text;
    for (char ch : script) {
      if (ch == '\n') text += '\r';
      text += ch;
    }
    harness.Agent().PlayScript(text, false, recursive, false);
    return harness.Records();
  }

  // The calls into the service after loading, as "Op:args|args".
  static std::vector<std::string> Calls(const std::vector<TraceLine>& records) {
    std::vector<std::string> out;
    for (const auto& r : records) {
      if (r.kind != "call" || r.op == "Load" || r.op.rfind("Commands", 0) == 0 ||
          (r.op == "Put" && r.Arg(0) == "LanguageID")) {
        continue;
      }
      std::string text = r.op;
      for (size_t i = 0; i < r.args.size(); ++i) text += (i ? "|" : ":") + r.args[i];
      out.push_back(text);
    }
    return out;
  }

  Harness harness_;
  TempFolder dir_;
};

TEST_F(PlayScriptTest, CharacterStatementsBecomeServiceCalls) {
  struct Case {
    const char* line;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {"Pip.Show", {"Show:false"}},
      {"pip.show", {"Show:false"}},
      {"   Pip.Show True", {"Show:true"}},
      {"Pip.Show \"1\"", {"Show:true"}},
      {"Pip.Hide yes", {"Hide:true"}},
      {"Pip.Speak \"\"\"Hi\"\"\"", {"Speak:Hi|"}},
      {"Pip.Speak I say Pip.Show now", {"Show:false"}},
      {"Pip.Think \"Hmm\"", {"Think:Hmm"}},
      {"Pip.Play \"Wave\"", {"Play:Wave"}},
      {"Pip.MoveTo 10, 20", {"MoveTo:10|20"}},
      {"Pip.MoveTo 10, 20, 500", {"MoveTo:10|20|500"}},
      {"Pip.MoveTo 10", {}},
      {"Pip.MoveTo (1+2)*3, -4/2, 0", {"MoveTo:9|-2|0"}},
      {"Pip.MoveTo 2.5, 3.5", {"MoveTo:2|4"}},
      {"Pip.GestureAt 5, 6", {"GestureAt:5|6"}},
      {"Pip.GestureAt 5", {}},
      {"Pip.Balloon.FontName = \"Arial\"", {"Put:Balloon.FontName|Arial"}},
      {"Pip.Balloon.FontSize = 12", {"Put:Balloon.FontSize|12"}},
      {"Pip.Balloon.FontSize = big", {}},
      {"Pip.Balloon.Style = &H523000D", {"Put:Balloon.Style|86179853"}},
      {"Pip.TTSModeID = \"{abc}\"", {"Put:TTSModeID|{abc}"}},
      {"Pip.Width = 120px", {"Put:Width|120"}},
      {"Pip.Height = 99999", {}},
      {"Pip.Listen True", {"Listen:true"}},
      {"Pip.Listen yes", {}},
      {"Pip.StopAll", {"StopAll"}},
      {"Pip.Stop", {}},
      {"\tPip.Show", {}},
      {"Nobody.Show", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    Harness fresh;
    fresh.CreateServices();
    auto calls = Calls(PlayIn(fresh, std::string(c.line) + "\n", true));
    EXPECT_EQ(calls, c.calls);
  }
}

TEST_F(PlayScriptTest, EmptyTextOrNoCharacterQueuesNothing) {
  harness_.Agent().PlayScript("  \r\n\r\n  ", false, false, false);
  EXPECT_TRUE(Select(harness_.Records(), "call").empty());
  Harness fresh;
  fresh.CreateServices();
  fresh.Agent().PlayScript("Pip.Show\r\n", false, false, false);
  EXPECT_TRUE(Select(fresh.Records(), "call").empty());
}

TEST_F(PlayScriptTest, MainScriptEndsWithTheMarkerRecursiveDoesNot) {
  auto calls = Calls(Play("Pip.Show\nPip.Hide"));  // last line without a break
  EXPECT_EQ(calls,
            (std::vector<std::string>{"Show:false", "Hide:false", "Get:Animation|Show|true"}));
  EXPECT_NE(harness_.Agent().ReqPlayScriptEnd, 0);
  Harness nested;
  nested.CreateServices();
  calls = Calls(PlayIn(nested, "Pip.Show\n", true));
  EXPECT_EQ(calls, (std::vector<std::string>{"Show:false"}));
  EXPECT_EQ(nested.Agent().ReqPlayScriptEnd, 0);
}

TEST_F(PlayScriptTest, TextPreparation) {
  harness_.program().variables.AddVariable("Command", "who", "World");
  // 1024x768 screen, Pip 128x128.
  const auto calls =
      Calls(Play("Pip.Speak \"Hello %WHO% %undefined%\"\n"
                 "Pip.MoveTo PipCenterX, pipbottomy\n"
                 "Pip.Speak \"at PipRightX\"\n"
                 "Pip.Speak \"Good \" & GetTimeOfDay() & \", friend.\"\n"
                 "Pip.Speak \"Hi \"&GetDay()&\".\"\n"
                 "Pip.Speak getday()\n",
                 true));
  EXPECT_EQ(calls, (std::vector<std::string>{"Speak:Hello World %undefined%|", "MoveTo:448|640",
                                             "Speak:at 896|", "Speak:Good Morning, friend.|",
                                             "Speak:Hi \"&Saturday&\".|", "Speak:getday()|"}));
}

TEST_F(PlayScriptTest, SetReqAndWaitForReqGateTheOtherCharacter) {
  const auto records = Play(
      "SetReq = Pip.Play(\"Wave\")\nWait For Req\nMini.Show\nwaitfor( req )\nWAITFORREQ NOW\n"
      "SetReq=Pip.Balloon.FontName = \"Arial\"\nWaitForReq\n",
      true, true);
  const auto waits = Select(records, "call", "Wait");
  const auto plays = Select(records, "call", "Play");
  const auto shows = Select(records, "call", "Show");
  ASSERT_EQ(plays.size(), 1u);
  ASSERT_EQ(shows.size(), 1u);
  // The current character never waits; the others wait for the saved request.
  // After Mini.Show, Mini is current, so Pip is asked to wait (on its own
  // request, which the service refuses). A balloon setting makes no request,
  // so SetReq there saves Mini.Show's.
  ASSERT_EQ(waits.size(), 3u);
  EXPECT_EQ(waits[0].character, "Mini");
  EXPECT_EQ(waits[0].Arg(0), std::to_string(*plays[0].req));
  EXPECT_EQ(waits[1].character, "Pip");
  EXPECT_EQ(waits[1].Arg(0), std::to_string(*plays[0].req));
  EXPECT_FALSE(waits[1].error.empty());
  EXPECT_EQ(waits[2].character, "Mini");
  EXPECT_EQ(waits[2].Arg(0), std::to_string(*shows[0].req));
}

TEST_F(PlayScriptTest, WaitForReqWithoutSavedRequestDoesNothing) {
  const auto records = Play("Pip.Show\nWaitForReq\n", true, true);
  EXPECT_TRUE(Select(records, "call", "Wait").empty());
}

}  // namespace
}  // namespace zarn
