#include <gtest/gtest.h>

#include "core/agent/SpeechText.h"
#include "core/script/LoadScript.h"
#include "support/Harness.h"

namespace zarn {
namespace {

using testing::Harness;
using testing::Select;
using testing::TempFolder;

const std::string kTag = "\\Map=\"Zarn\"=\"ZARN\"\\";

TEST(SpeechText, QuoteFunctions) {
  struct Case {
    const char* name;
    std::string (*function)(bErrorTrap::Trap&, std::string_view);
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"unescape: no quotes", UnescapeQuotes, "Hello there", "Hello there"},
      {"unescape: two become one", UnescapeQuotes, "say \"\"hi\"\"", "say \"hi\""},
      {"unescape: three become one", UnescapeQuotes, "a\"\"\"b", "a\"b"},
      {"unescape: four become two", UnescapeQuotes, "a\"\"\"\"b", "a\"\"b"},
      {"unescape: five become two", UnescapeQuotes, "a\"\"\"\"\"b", "a\"\"b"},
      {"unescape: single stays", UnescapeQuotes, "a\"b", "a\"b"},
      {"collapse: runs shrink", CollapseQuoteRuns, "\"\"a\"\"\"b\"", "\"a\"b\""},
      {"collapse: trailing quote kept", CollapseQuoteRuns, "ab\"", "ab\""},
      {"collapse: empty", CollapseQuoteRuns, "", ""},
      {"trim: single quote is empty", TrimQuotes, "\"", ""},
      {"trim: blanks inside the quotes go", TrimQuotes, "  \" hi \"  ", "hi"},
      {"trim: only one quote per end", TrimQuotes, "\"\"hi\"\"", "\"hi\""},
      {"trim: nothing to do", TrimQuotes, "hi", "hi"},
  };
  bErrorTrap::Trap errors;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.function(errors, c.in), c.out);
  }
}

TEST(SpeechText, ProductWordIsProtectedOnlyWhenItStandsAsAWord) {
  struct Case {
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"Welcome to ZARN.", "Welcome to " + kTag + "."},
      {"ZARN is here", kTag + " is here"},
      {"I like ZARN", "I like " + kTag},
      {"Is it ZARN?", "Is it " + kTag + "?"},
      {"Go ZARN!", "Go " + kTag + "!"},
      {"Play ZARNPlay now", "Play ZARNPlay now"},
      {"the Zarn player", "the Zarn player"},
      {"the ZARN ZARNPlay", "the " + kTag + " " + kTag + "Play"},
      {"ZARN", "ZARN"},
      {"Welcome to zarn.", "Welcome to zarn."},
      {"see ZARN, then", "see ZARN, then"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(ProtectProductWord(c.in), c.out);
  }
}

// Blanks beside the quotes go however many there are; a long run once cost
// a pass over the line per blank.
TEST(SpeechText, SplitSpeechAndSoundDropsBlanksBesideQuotes) {
  const std::string blanks(1000000, ' ');
  struct Case {
    std::string in;
    std::string text;
    std::string sound;
  };
  const Case cases[] = {
      {"\" Hi \"   ,   \"a.wav\"", "Hi", "a.wav"},
      {"\"" + blanks + "x\",\"s.wav\"", "x", "s.wav"},
      {"\"x\"" + blanks + ",\"" + blanks + "s.wav" + blanks + "\"", "x", "s.wav"},
  };
  bErrorTrap::Trap errors;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in.substr(0, 20));
    std::string text, sound;
    ASSERT_TRUE(SplitSpeechAndSound(errors, c.in, text, sound));
    EXPECT_EQ(text, c.text);
    EXPECT_EQ(sound, c.sound);
  }
}

class CharSpeakTest : public ::testing::Test {
 protected:
  // The engine looks for characters when it is made, before the harness
  // names the folder.
  static void SetUpTestSuite() {
    setenv("ZARN_CHARACTERS", testing::TestCharacterFolder().c_str(), 1);
  }
  void SetUp() override {
    harness_.CreateServices();
    script_ = dir_.Write("t.zrn", "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n");
    ASSERT_TRUE(LoadScript(harness_.program(), script_, false)) << harness_.TraceText();
  }
  // The Speak calls a script line queues, as "text|sound".
  std::vector<std::string> Speaks(const std::string& line) {
    const size_t before = harness_.Records().size();
    harness_.Agent().PlayScript(line + "\r\n", false, true, false);
    std::vector<std::string> out;
    const auto records = harness_.Records();
    for (size_t i = before; i < records.size(); ++i) {
      if (records[i].kind == "call" && (records[i].op == "Speak" || records[i].op == "Think")) {
        out.push_back(records[i].op + ":" + records[i].Arg(0) + "|" + records[i].Arg(1));
      }
    }
    return out;
  }
  Harness harness_;
  TempFolder dir_;
  std::string script_;
};

TEST_F(CharSpeakTest, SpeakStatementsReachTheService) {
  const std::string wave = dir_.Write("hello.wav", "RIFF");
  struct Case {
    const char* line;
    std::string expected;
  };
  const Case cases[] = {
      {"Pip.Speak \"Hello\" , \"hello.wav\"", "Speak:Hello|" + wave},
      {"Pip.Speak \" Hello there \",\" hello.wav \"", "Speak:Hello there|" + wave},
      {"Pip.Speak ,\"hello.wav\"", "Speak:|" + wave},
      {"Pip.Speak , \"hello.wav\"", "Speak:|" + wave},
      {"Pip.Speak \"Hi\",\"missing.wav\"", "Speak:Hi|missing.wav"},
      {"Pip.Speak Say \" hi \" twice", "Speak:Say \" hi \" twice|"},
      {"Pip.Speak \"She said \"\"yes\"\"\"", "Speak:She said \"yes|"},
      {"Pip.Speak Welcome to ZARN.", "Speak:Welcome to " + kTag + ".|"},
      {"Pip.Speak ZARNPlay speaks", "Speak:ZARNPlay speaks|"},
      {"Pip.Think Welcome to ZARN.", "Think:Welcome to ZARN.|"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(Speaks(c.line), std::vector<std::string>{c.expected});
  }
}

TEST_F(CharSpeakTest, KeepsTheRequestAndTheLastOneOnFailure) {
  harness_.Agent().CharSpeak("one", "");
  const RequestId first = harness_.Agent().Req;
  EXPECT_NE(first, 0);
  harness_.Agent().CharSpeak("two", "");
  EXPECT_GT(harness_.Agent().Req, first);
  const auto speaks = Select(harness_.Records(), "call", "Speak");
  ASSERT_FALSE(speaks.empty());
  EXPECT_EQ(speaks.back().req.value_or(-1), harness_.Agent().Req);
}

}  // namespace
}  // namespace zarn
