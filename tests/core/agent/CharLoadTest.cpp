#include <gtest/gtest.h>

#include <filesystem>

#include "support/Harness.h"

namespace zarn {
namespace {

using testing::Harness;
using testing::Select;
using testing::TempFolder;

class CharLoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness_.CreateServices();
    harness_.program().AppFolder = app_.Path() + "/";
  }
  CAgent& Agent() { return harness_.Agent(); }
  std::vector<std::string> LoadPaths() {
    std::vector<std::string> paths;
    for (const auto& r : Select(harness_.Records(), "call", "Load")) paths.push_back(r.Arg(0));
    return paths;
  }
  Harness harness_;
  TempFolder app_;
};

TEST_F(CharLoadTest, LanguageZeroBecomesEnglishForTheCallerToo) {
  int32_t language = 0;
  EXPECT_TRUE(Agent().CharLoad("Pip", "Pip.acs", true, false, false, language));
  EXPECT_EQ(language, 1033);
  EXPECT_EQ(harness_.Engine().LanguageID("Pip"), 1033);
}

TEST_F(CharLoadTest, LoadingAgainAddsNoEntryAndSelects) {
  int32_t language = 0x407;
  EXPECT_TRUE(Agent().CharLoad("Pip", "Pip.acs", true, false, false, language));
  EXPECT_TRUE(Agent().CharLoad("Mini", "Mini.acs", true, false, false, language));
  EXPECT_EQ(Agent().CurrentCharacterIndex(), 2);
  EXPECT_TRUE(Agent().CharLoad("Pip", "Other.acs", true, false, false, language));
  EXPECT_EQ(Agent().CharacterTable().size(), 2u);
  EXPECT_EQ(Agent().CurrentCharacterIndex(), 1);
  EXPECT_EQ(Agent().Char(), "Pip");
  EXPECT_EQ(LoadPaths().size(), 2u);  // no second Load call
}

TEST_F(CharLoadTest, FailedLoadRetriesFromTheProgramFolder) {
  std::filesystem::copy_file(testing::TestCharacterFolder() + "/Mini.acs", app_ / "x.acs");
  int32_t language = 0;
  EXPECT_TRUE(Agent().CharLoad("X", "C:\\chars\\x.acs", true, false, false, language));
  EXPECT_EQ(LoadPaths(), (std::vector<std::string>{"C:\\chars\\x.acs", app_ / "x.acs"}));
  EXPECT_EQ(Agent().CharacterTable().back().file, app_ / "x.acs");
}

TEST_F(CharLoadTest, FailureShowsTheMessageOnlyWhenAsked) {
  int32_t language = 0;
  EXPECT_FALSE(Agent().CharLoad("Ghost", "", true, false, false, language));
  EXPECT_TRUE(Select(harness_.Records(), "ui", "MessageBox").empty());
  EXPECT_FALSE(Agent().CharLoad("Ghost", "", true, false, true, language));
  const auto boxes = Select(harness_.Records(), "ui", "MessageBox");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Arg(0), "Error Loading Character: Ghost - " + app_.Path() + "/");
  EXPECT_TRUE(Agent().CharacterTable().empty());
  EXPECT_EQ(Agent().CurrentCharacterIndex(), 0);
  EXPECT_EQ(Agent().Char(), "");
}

TEST_F(CharLoadTest, SelectingAnUnknownNameLoadsItsFile) {
  Agent().CharSelect("Mini");  // loads Mini.acs from the character folders
  EXPECT_EQ(Agent().Char(), "Mini");
  EXPECT_EQ(LoadPaths(), (std::vector<std::string>{"Mini.acs"}));
  Agent().CharSelect("Nobody");
  EXPECT_EQ(Agent().Char(), "Mini");
  EXPECT_EQ(Select(harness_.Records(), "ui", "MessageBox").size(), 1u);
}

TEST_F(CharLoadTest, OperationsConvertTheirArguments) {
  int32_t language = 0;
  ASSERT_TRUE(Agent().CharLoad("Pip", "Pip.acs", true, false, false, language));
  Agent().CharMoveTo(10, 20, -1);
  Agent().CharMoveTo(10, 20, 0);
  Agent().CharMoveTo(40000, 0, 0);  // beyond 16 bits: ignored
  Agent().CharSetBalloonStyle("&H523000D");
  Agent().CharSetWidth("120px");
  Agent().CharSetHeight("abc");
  std::vector<std::string> calls;
  for (const auto& r : Select(harness_.Records(), "call")) {
    if (r.op != "MoveTo" && r.op != "Put") continue;
    std::string text = r.op;
    for (const auto& a : r.args) text += " " + a;
    calls.push_back(text);
  }
  EXPECT_EQ(calls, (std::vector<std::string>{"Put LanguageID 1033", "MoveTo 10 20",
                                             "MoveTo 10 20 0", "Put Balloon.Style 86179853",
                                             "Put Width 120", "Put Height 0"}));
  const RequestId before = Agent().Req;
  Agent().CharPlay("NoSuchAnimation");  // fails: Req keeps its value
  EXPECT_EQ(Agent().Req, before);
}

}  // namespace
}  // namespace zarn
