#include <gtest/gtest.h>

#include "core/errortrap/bErrorTrap.h"
#include "core/util/bUserVariables.h"

namespace zarn {
namespace {

class UserVariables : public ::testing::Test {
 protected:
  std::string Substituted(std::string text) {
    store_.SubstituteVariables(text);
    return text;
  }

  std::vector<std::string> environment_ = {"TEMP=/tmp", "HOME=/home/me", "", "AFTER=blank"};
  bErrorTrap::Trap errors_;
  bUserVariables::Store store_{errors_, [this] { return environment_; }};
};

TEST_F(UserVariables, ReplacesReferencesIgnoringCase) {
  store_.AddVariable("Command", "who", "World");
  EXPECT_EQ(Substituted("Pip.Speak \"Hello %WHO%\""), "Pip.Speak \"Hello World\"");
  EXPECT_EQ(Substituted("%who%%Who% %wHo"), "WorldWorld %wHo");
  EXPECT_EQ(Substituted("%undefined% 100%"), "%undefined% 100%");
}

TEST_F(UserVariables, OrderDecidesChainsAndShadowing) {
  store_.AddVariable("Script", "a", "%b%");
  store_.AddVariable("Script", "b", "1");
  EXPECT_EQ(Substituted("%a%"), "1");

  store_.RemoveVariableGroup("Script");
  store_.AddVariable("Script", "b", "1");
  store_.AddVariable("Script", "a", "%b%");
  EXPECT_EQ(Substituted("%a%"), "%b%");

  store_.AddVariable("Script", "temp", "mine");
  store_.AddVariable("Script", "A", "second");
  EXPECT_EQ(Substituted("%temp% %A%"), "mine %b%");  // the first entry wins
}

TEST_F(UserVariables, EnvironmentComesLastAndStopsAtAnEmptyEntry) {
  EXPECT_EQ(Substituted("%temp% %HOME% %after%"), "/tmp /home/me %after%");
  store_.AddVariable("Command", "x", "%TEMP%");
  EXPECT_EQ(Substituted("%x%"), "/tmp");  // values are not protected from later steps
}

TEST_F(UserVariables, RemovingAGroupKeepsTheOthersInOrder) {
  store_.AddVariable("Command", "who", "Cmd");
  store_.AddVariable("Script", "who", "First");
  store_.AddVariable("Script", "n", "1");
  store_.RemoveVariableGroup("script");  // letter case matters: nothing removed
  EXPECT_EQ(store_.Entries().size(), 3u);
  store_.RemoveVariableGroup("Script");
  store_.AddVariable("Script", "who", "Second");
  store_.AddVariable("Script", "m", "2");
  const auto entries = store_.Entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].group, "Command");
  EXPECT_EQ(entries[1].value, "Second");
  EXPECT_EQ(Substituted("%who% %n% %m%"), "Cmd %n% 2");
}

TEST_F(UserVariables, NamesWithPercentAndEmptyNames) {
  store_.AddVariable("Script", "50%", "half");
  store_.AddVariable("Command", "", "gap");
  EXPECT_EQ(Substituted("%50%% and %%"), "half and gap");
}

TEST_F(UserVariables, ReferencesBetweenAnyTwoPercentSigns) {
  store_.AddVariable("Script", "a", "1");
  store_.AddVariable("Script", "x1y", "joined");
  store_.AddVariable("Script", "two\r\nlines", "2");
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"%x%a%y%", "joined"},  // replacing a makes a reference to x1y, next in order
      {"%a%%A%\r\n%a", "11\r\n%a"},
      {"%TWO\r\nLINES%", "2"},
      {"%x%a%y%%x1y%", "joinedjoined"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Substituted(c.text), c.expected);
  }
}

TEST_F(UserVariables, ThousandsOfVariablesOverALongText) {
  for (int i = 0; i < 10000; ++i) {
    store_.AddVariable("Script", "v" + std::to_string(i), std::to_string(i));
  }
  std::string text;
  for (int i = 0; i < 100000; ++i) text += "Pip.Speak \"%v" + std::to_string(i % 7) + "%\"\r\n";
  store_.SubstituteVariables(text);
  EXPECT_EQ(text.substr(0, 28), "Pip.Speak \"0\"\r\nPip.Speak \"1\"");
  EXPECT_EQ(text.find('%'), std::string::npos);
}

// Values that double at each level stop with "Out of memory" once the text
// would pass 16 MiB; the text keeps what was replaced until then.
TEST_F(UserVariables, DoublingValuesStopAtTheSizeCap) {
  for (int level = 40; level > 0; --level) {
    const std::string lower = "%v" + std::to_string(level - 1) + "%";
    store_.AddVariable("Script", "v" + std::to_string(level), lower + lower);
  }
  store_.AddVariable("Script", "v0", "0123456789abcdef");
  std::string text = "%v40%";
  store_.SubstituteVariables(text);
  EXPECT_LE(text.size(), size_t{16} << 20);
  EXPECT_NE(errors_.ReportText().find("Error 7,"), std::string::npos) << errors_.ReportText();
  EXPECT_NE(errors_.ReportText().find("Out of memory"), std::string::npos);
}

}  // namespace
}  // namespace zarn
