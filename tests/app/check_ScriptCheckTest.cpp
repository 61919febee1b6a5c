#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "app/ScriptCheck.h"
#include "support/Harness.h"

namespace zarn {
namespace {

using testing::TempFolder;

const std::string kHead = "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n";

class ScriptCheckTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const char* was = std::getenv("ZARN_CHARACTERS");
    saved_ = was ? std::optional<std::string>(was) : std::nullopt;
    setenv("ZARN_CHARACTERS", testing::TestCharacterFolder().c_str(), 1);
  }
  // The suites after this one in the same program find their own characters.
  static void TearDownTestSuite() {
    if (saved_) {
      setenv("ZARN_CHARACTERS", saved_->c_str(), 1);
    } else {
      unsetenv("ZARN_CHARACTERS");
    }
  }
  static inline std::optional<std::string> saved_;
  TempFolder dir_;
};

// Each script has one fault; the checker names it at its line and nothing
// else.
TEST_F(ScriptCheckTest, OneFaultOneFinding) {
  dir_.Write("here.wav", "RIFF");
  struct Case {
    std::string body;  // after kHead (line 5 on)
    int line;
    std::string says;
  };
  const Case cases[] = {
      {"[Script]\nPip.Show\nPip.Dance\n", 7, "no statement of Pip"},
      {"[Script]\nPip.Play NoSuchAnimation\n", 6, "no animation 'NoSuchAnimation'"},
      {"[Script]\nBob.Speak Hi\n", 6, "'Bob' is not in [Characters]"},
      {"[Script]\nPip.MoveTo 100\n", 6, "two coordinates"},
      {"[Script]\nPip.MoveTo (1+, 2\n", 6, "coordinate '(1+'"},
      {"[Script]\nPLAYWAVE gone.wav\n", 6, "'gone.wav' is not found"},
      {"[Script]\nSENDKEYS {ENTER\n", 6, "SENDKEYS"},
      {"[Script]\nREADTEXTFILE Pip\n", 6, "needs a character and a file"},
      {"[Script]\nSHOW ME\n", 6, "matches no statement"},
      {"[Script]\n  SHELLEX xterm\n", 6, "matches no statement"},
      {"Bad=nothere.acs\n[Script]\nPip.Show\nBad.Show\n", 5, "character Bad does not load"},
      {"[Bookmarks]\n7=\n[Script]\nPip.Show\n", 6, "bookmark 7 has no [BookmarkScript:7]"},
      {"[Commands]\nMenuName=M\nGo=Go|~|go\n[Script]\nPip.Show\n", 7, "command Go has no"},
      {"[BookmarkScript:1]\nPip.Wobble\n[Bookmarks]\n1=\n[Script]\nPip.Show\n", 6,
       "no statement of Pip"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    const std::string path = dir_.Write("case.zrn", kHead + c.body);
    const auto findings = CheckScript(path);
    ASSERT_EQ(findings.size(), 1u) << FormatFindings(path, findings, false);
    EXPECT_EQ(findings[0].line, c.line);
    EXPECT_NE(findings[0].message.find(c.says), std::string::npos) << findings[0].message;
  }
  // Sound scripts, and what looks wrong but is not.
  const std::string fine =
      kHead +
      "[Variables]\nx=40\n[Bookmarks]\n1=\n[BookmarkScript:1]\nPip.Play Wave\n"
      "[Script]\nSetReq = Pip.Play(Wave)\nWAITFORREQ\nPip.MoveTo %x%, PipCenterY\n"
      "PLAYWAVE here.wav\nPLAYWAVE http://127.0.0.1:1/x.wav\nSENDKEYS +a{ENTER}\n\n"
      "READTEXTFILE Pip, here.wav\nPip.Speak \"Done\"\n";
  const std::string path = dir_.Write("fine.zrn", fine);
  EXPECT_EQ(FormatFindings(path, CheckScript(path), false), "");
  // Lines may end with CR alone, as the player reads them.
  std::string cr = kHead + "[Script]\nPip.Show\nPip.Dance\n";
  std::replace(cr.begin(), cr.end(), '\n', '\r');
  const std::string cr_path = dir_.Write("cr.zrn", cr, false);
  const auto cr_findings = CheckScript(cr_path);
  ASSERT_EQ(cr_findings.size(), 1u) << FormatFindings(cr_path, cr_findings, false);
  EXPECT_EQ(cr_findings[0].line, 7);
  EXPECT_EQ(FormatFindings(dir_ / "none.zrn", CheckScript(dir_ / "none.zrn"), true),
            "{\"file\":\"" + dir_ / "none.zrn" +
                "\",\"findings\":[{\"line\":0,\"message\":\"cannot be read: File not found\"}]}\n");
}

TEST_F(ScriptCheckTest, EveryExampleIsClean) {
  // The examples play with the character the build draws.
  setenv("ZARN_CHARACTERS", ZARN_BINARY_DIR "/characters", 1);
  int checked = 0;
  for (const auto& entry : std::filesystem::directory_iterator(ZARN_SOURCE_DIR "/examples")) {
    const auto ext = entry.path().extension();
    if (ext != ".zrn" && ext != ".zrs") continue;
    const std::string path = entry.path().string();
    EXPECT_EQ(FormatFindings(path, CheckScript(path), false), "");
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

}  // namespace
}  // namespace zarn
