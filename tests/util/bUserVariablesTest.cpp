#include <gtest/gtest.h>

#include "core/util/bUserVariables.h"

namespace zarn {
namespace {

class UserVariables : public ::testing::Test {
 protected:
  void SetUp() override {
    bUserVariables::Clear();
    bUserVariables::SetEnvironmentSource([this] { return environment_; });
  }
  void TearDown() override { bUserVariables::Clear(); }

  std::string Substituted(std::string text) {
    bUserVariables::SubstituteVariables(text);
    return text;
  }

  std::vector<std::string> environment_ = {"TEMP=/tmp", "HOME=/home/me", "", "AFTER=blank"};
};

TEST_F(UserVariables, ReplacesReferencesIgnoringCase) {
  bUserVariables::AddVariable("Command", "who", "World");
  EXPECT_EQ(Substituted("Pip.Speak \"Hello %WHO%\""), "Pip.Speak \"Hello World\"");
  EXPECT_EQ(Substituted("%who%%Who% %wHo"), "WorldWorld %wHo");
  EXPECT_EQ(Substituted("%undefined% 100%"), "%undefined% 100%");
}

TEST_F(UserVariables, OrderDecidesChainsAndShadowing) {
  bUserVariables::AddVariable("Script", "a", "%b%");
  bUserVariables::AddVariable("Script", "b", "1");
  EXPECT_EQ(Substituted("%a%"), "1");

  bUserVariables::Clear();
  bUserVariables::SetEnvironmentSource([this] { return environment_; });
  bUserVariables::AddVariable("Script", "b", "1");
  bUserVariables::AddVariable("Script", "a", "%b%");
  EXPECT_EQ(Substituted("%a%"), "%b%");

  bUserVariables::AddVariable("Script", "temp", "mine");
  bUserVariables::AddVariable("Script", "A", "second");
  EXPECT_EQ(Substituted("%temp% %A%"), "mine %b%");  // the first entry wins
}

TEST_F(UserVariables, EnvironmentComesLastAndStopsAtAnEmptyEntry) {
  EXPECT_EQ(Substituted("%temp% %HOME% %after%"), "/tmp /home/me %after%");
  bUserVariables::AddVariable("Command", "x", "%TEMP%");
  EXPECT_EQ(Substituted("%x%"), "/tmp");  // values are not protected from later steps
}

TEST_F(UserVariables, RemovingAGroupKeepsTheOthersInOrder) {
  bUserVariables::AddVariable("Command", "who", "Cmd");
  bUserVariables::AddVariable("Script", "who", "First");
  bUserVariables::AddVariable("Script", "n", "1");
  bUserVariables::RemoveVariableGroup("script");  // letter case matters: nothing removed
  EXPECT_EQ(bUserVariables::Entries().size(), 3u);
  bUserVariables::RemoveVariableGroup("Script");
  bUserVariables::AddVariable("Script", "who", "Second");
  bUserVariables::AddVariable("Script", "m", "2");
  const auto entries = bUserVariables::Entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].group, "Command");
  EXPECT_EQ(entries[1].value, "Second");
  EXPECT_EQ(Substituted("%who% %n% %m%"), "Cmd %n% 2");
}

TEST_F(UserVariables, NamesWithPercentAndEmptyNames) {
  bUserVariables::AddVariable("Script", "50%", "half");
  bUserVariables::AddVariable("Command", "", "gap");
  EXPECT_EQ(Substituted("%50%% and %%"), "half and gap");
}

TEST_F(UserVariables, ThousandsOfVariablesOverALongText) {
  for (int i = 0; i < 10000; ++i) {
    bUserVariables::AddVariable("Script", "v" + std::to_string(i), std::to_string(i));
  }
  std::string text;
  for (int i = 0; i < 100000; ++i) text += "Pip.Speak \"%v" + std::to_string(i % 7) + "%\"\r\n";
  bUserVariables::SubstituteVariables(text);
  EXPECT_EQ(text.substr(0, 28), "Pip.Speak \"0\"\r\nPip.Speak \"1\"");
  EXPECT_EQ(text.find('%'), std::string::npos);
}

TEST(UserVariablesDefault, ReadsTheProcessEnvironment) {
  bUserVariables::Clear();
  ::setenv("ZARN_UTIL_TEST_VAR", "from-env", 1);
  std::string text = "%zarn_util_test_var%";
  bUserVariables::SubstituteVariables(text);
  EXPECT_EQ(text, "from-env");
}

}  // namespace
}  // namespace zarn
