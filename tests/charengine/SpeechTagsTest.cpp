#include <gtest/gtest.h>

#include "charengine/SpeechTags.h"
#include "charengine/SpeechTiming.h"

namespace zarn {
namespace {

// A compact picture of the parse: text runs as they are, tags as <Kind:detail>.
std::string Describe(const std::vector<SpeechItem>& items) {
  static const char* const kNames[] = {"Chr", "Ctx", "Emp", "Lst", "Map", "Mrk", "Pau",
                                       "Pit", "Rst", "Spd", "Vol", "Eng", "?"};
  std::string out;
  for (const auto& item : items) {
    if (!item.tag) {
      out += item.text;
      continue;
    }
    const SpeechTag& tag = *item.tag;
    out += "<";
    out += kNames[static_cast<int>(tag.kind)];
    if (!tag.valid) out += "!";
    if (tag.number) out += ":" + std::to_string(*tag.number);
    if (tag.kind == SpeechTagKind::kMap) out += ":" + tag.text + "=" + tag.shown;
    if (tag.kind == SpeechTagKind::kChr || tag.kind == SpeechTagKind::kCtx) out += ":" + tag.text;
    out += ">";
  }
  return out;
}

TEST(SpeechTags, ParsesEveryTag) {
  struct Case {
    const char* text;
    const char* parsed;
  };
  const Case cases[] = {
      {"plain text", "plain text"},
      {"a\\Mrk=12\\b", "a<Mrk:12>b"},
      {"\\mrk=1\\\\PAU=250\\", "<Mrk:1><Pau:250>"},
      {"\\Spd=200\\\\Pit=120\\\\Vol=65535\\", "<Spd:200><Pit:120><Vol:65535>"},
      {"\\Emp\\word \\Rst\\ \\Lst\\", "<Emp>word <Rst> <Lst>"},
      {"\\Chr=\"Whisper\"\\\\Ctx=\"E-mail\"\\", "<Chr:Whisper><Ctx:E-mail>"},
      {"\\Map=\"Zarn\"=\"ZARN\"\\ plays", "<Map:Zarn=ZARN> plays"},
      {"\\Map=\"C:\\\\x\"=\"a\\\\b\"\\", "<Map:C:\\x=a\\b>"},
      {"\\Com=note\\\\Eng;x\\\\RSpd=5\\\\Vce=Lang=English\\", "<Eng><Eng><Eng><Eng>"},
      {"back\\\\slash", "back\\slash"},
      {"blank \\ Rst \\ inside", "blank <?!> inside"},
      {"unknown \\Foo=1\\ tag", "unknown <?!> tag"},
      {"no end \\Mrk=3", "no end \\Mrk=3"},
      {"\\Spd=fast\\\\Mrk=\\\\Emp=1\\", "<Spd!><Mrk!><Emp!>"},
      {"\\Chr=\"Loud\"\\\\Map=\"only one\"\\", "<Chr!:Loud><Map!:=>"},
      {"\\Pau=-5\\\\Mrk=99999999999\\", "<Pau:-5><Mrk:99999999999>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Describe(ParseSpeechTags(c.text)), c.parsed);
  }
}

TEST(SpeechTags, SpokenAndBalloonTexts) {
  const auto items = ParseSpeechTags("Hi \\Mrk=1\\\\Map=\"Zarn\"=\"ZARN\"\\ and \\Bad\\you");
  EXPECT_EQ(SpokenText(items), "Hi Zarn and you");
  EXPECT_EQ(BalloonText(items), "Hi ZARN and you");
}

TEST(SpeechTags, Alternatives) {
  EXPECT_EQ(SplitAlternatives("one"), std::vector<std::string>{"one"});
  EXPECT_EQ(SplitAlternatives("a|b c||"), (std::vector<std::string>{"a", "b c", "", ""}));
}

TEST(SpeechTiming, WordsPausesSpeedsAndBookmarks) {
  struct Case {
    const char* text;
    SpeechMode mode;
    int64_t total;
    std::vector<int64_t> marks;
  };
  // 120 words a minute: 500 ms a word.
  const Case cases[] = {
      {"one two  three\tfour", SpeechMode::kSpeak, 2000, {}},
      {"\\Mrk=1\\one \\Mrk=2\\two\\Mrk=3\\", SpeechMode::kSpeak, 1000, {0, 500, 1000}},
      {"\\Spd=240\\one two", SpeechMode::kSpeak, 500, {}},
      {"\\Spd=1\\one", SpeechMode::kSpeak, 1200, {}},      // clamped to 50
      {"\\Spd=100000\\one", SpeechMode::kSpeak, 120, {}},  // clamped to 500
      {"one\\Pau=300\\\\Mrk=7\\two", SpeechMode::kSpeak, 1300, {800}},
      {"\\Pau=-40\\one", SpeechMode::kSpeak, 500, {}},
      {"\\Spd=240\\one \\Rst\\two", SpeechMode::kSpeak, 750, {}},
      {"\\Map=\"a b c\"=\"x\"\\\\Mrk=4\\", SpeechMode::kSpeak, 1500, {1500}},
      {"\\Spd=240\\one\\Pau=300\\two\\Mrk=4\\", SpeechMode::kThink, 1000, {1000}},
      {"", SpeechMode::kSpeak, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const SpeechPlan plan = PlanSpeech(ParseSpeechTags(c.text), 120, c.mode);
    EXPECT_EQ(plan.total_ms, c.total);
    std::vector<int64_t> marks;
    for (const auto& mark : plan.bookmarks) marks.push_back(mark.at_ms);
    EXPECT_EQ(marks, c.marks);
  }
}

TEST(SpeechTiming, BalloonWordsFollowTheShownText) {
  const SpeechPlan plan = PlanSpeech(
      ParseSpeechTags("Hello \\Map=\"zarn play\"=\"ZARNPlay\"\\ now"), 120, SpeechMode::kSpeak);
  ASSERT_EQ(plan.words.size(), 3u);
  EXPECT_EQ(plan.words[1].text, "ZARNPlay");
  EXPECT_EQ(plan.words[1].at_ms, 500);
  EXPECT_EQ(plan.words[2].at_ms, 1500);
  EXPECT_EQ(plan.balloon_text, "Hello ZARNPlay now");
}

}  // namespace
}  // namespace zarn
