#include <gtest/gtest.h>

#include "platform/listen/VoiceGrammar.h"

namespace zarn {
namespace {

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = std::min(text.find(' ', at), text.size());
    if (end > at) words.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return words;
}

bool KnownWord(const std::string& word) { return word != "zork" && word[0] != '#'; }

// Each voice text, its grammar rule, and phrases it must and must not match.
TEST(VoiceGrammar, SyntaxToRuleAndMatches) {
  struct Case {
    const char* voice;
    const char* rule;  // empty: the command is left out
    std::vector<const char*> says;
    std::vector<const char*> not_says;
  };
  const Case cases[] = {
      {"Hello", "hello", {"hello"}, {"", "hello hello"}},
      {"say [hello] there", "say [hello] there", {"say there", "say hello there"}, {"say hello"}},
      {"(open | show) [the] file",
       "(open | show) [the] file",
       {"open file", "show the file"},
       {"the file", "open show file"}},
      {"go | stop now", "go | stop now", {"go", "stop now"}, {"go now", "stop"}},
      {"very* good", "very* good", {"good", "very very good"}, {"very"}},
      {"(ha)+", "(ha)+", {"ha", "ha ha ha"}, {""}},
      {"[very]+ good", "(very)* good", {"good", "very very good"}, {"very"}},
      {"[(a | b) c]", "[(a | b) c]", {"", "a c", "b c"}, {"c"}},
      {"... weather ...",
       "<filler>* weather <filler>*",
       {"weather", "what is the weather like"},
       {"whether"}},
      {"Read\\riyd the e.g. text, please!",
       "read the eg text please",
       {"read the eg text please"},
       {"read text"}},
      // Mistakes and unknown words leave the command out.
      {"[open", "", {}, {}},
      {"open]", "", {}, {}},
      {"(open]", "", {}, {}},
      {"* open", "", {}, {}},
      {"(a | )", "", {}, {}},
      {"((((((((((((((((((((((((((((((((((a))))))))))))))))))))))))))))))))))", "", {}, {}},
      {"open the zork", "", {}, {}},
      {"#hEloU", "", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.voice);
    const VoiceGrammar grammar = BuildVoiceGrammar({{"Cmd", c.voice}}, KnownWord);
    if (*c.rule == '\0') {
      EXPECT_TRUE(grammar.jsgf.empty());
      ASSERT_EQ(grammar.notes.size(), 1u);
      EXPECT_NE(grammar.notes[0].find("Cmd"), std::string::npos);
      continue;
    }
    EXPECT_NE(grammar.jsgf.find("<c0> = " + std::string(c.rule) + ";\n"), std::string::npos)
        << grammar.jsgf;
    ASSERT_EQ(grammar.parsed.size(), 1u);
    for (const char* phrase : c.says)
      EXPECT_TRUE(MatchesVoice(grammar.parsed[0], Words(phrase))) << phrase;
    for (const char* phrase : c.not_says)
      EXPECT_FALSE(MatchesVoice(grammar.parsed[0], Words(phrase))) << phrase;
  }
}

TEST(VoiceGrammar, CommandsWithoutVoiceOrWithMistakesAreSkippedNotFatal) {
  const VoiceGrammar grammar = BuildVoiceGrammar(
      {{"A", "hello"}, {"ZARNClose", ""}, {"B", "((bad"}, {"C", "good ... bye"}}, KnownWord);
  EXPECT_EQ(grammar.included, (std::vector<size_t>{0, 3}));
  EXPECT_EQ(grammar.notes.size(), 1u);
  EXPECT_NE(grammar.jsgf.find("public <command> = <c0> | <c1>;"), std::string::npos);
  EXPECT_NE(grammar.jsgf.find("<filler> = a | the"), std::string::npos);
}

TEST(VoiceGrammar, GlobalCommands) {
  const auto globals = GlobalVoiceCommands({"Fennet"});
  const VoiceGrammar grammar = BuildVoiceGrammar(globals, KnownWord);
  ASSERT_EQ(grammar.parsed.size(), globals.size());
  const char* phrases[] = {"open the commands window", "what can i say", "close commands", "hide",
                           "show me global commands",  "fennet"};
  for (const char* phrase : phrases) {
    bool heard = false;
    for (const VoiceChoice& choice : grammar.parsed)
      heard = heard || MatchesVoice(choice, Words(phrase));
    EXPECT_TRUE(heard) << phrase;
  }
  for (const VoiceCommand& command : globals) EXPECT_TRUE(command.name.empty());
}

}  // namespace
}  // namespace zarn
