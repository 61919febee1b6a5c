#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/shell/EmbeddedScript.h"
#include "support/Harness.h"
#include "support/Process.h"
#include "support/TraceReader.h"

namespace zarn {
namespace {

using testing::ParseTrace;
using testing::ProcessResult;
using testing::ReadFile;
using testing::RunProcess;
using testing::Select;
using testing::TempFolder;

const char* const kHello =
    "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Script]\n"
    "Pip.Show\nPip.Speak \"Hello from inside\"\n";
const char* const kSecond =
    "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Script]\nPip.Speak \"Second\"\n";

class SelfRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(temp_);
    const auto made = Run(ZARNPLAY_EXE, {"--make-test-characters", characters_});
    ASSERT_EQ(made.exit_code, 0) << made.err;
  }

  ProcessResult Run(const std::string& program, std::vector<std::string> args) {
    args.insert(args.begin(), program);
    return RunProcess(
        args,
        {"ZARN_CHARACTERS=" + characters_, "TMPDIR=" + temp_, "ZARN_INSTANCE_DIR=" + dir_.Path() + "/zarnplay"},
        dir_.Path());
  }
  ProcessResult MakeExe(const std::string& from, const std::string& script,
                        const std::string& output) {
    return Run(from, {"--make-exe", script, output});
  }
  // Plays a self-running copy headless and gives its trace.
  std::vector<testing::TraceLine> Play(const std::string& copy) {
    const std::string trace = dir_ / (std::filesystem::path(copy).filename().string() + ".jsonl");
    const auto played = Run(copy, {"--headless", "--idle-exit", "--trace", trace});
    EXPECT_EQ(played.exit_code, 0) << played.err;
    return ParseTrace(ReadFile(trace));
  }
  static std::vector<std::string> Spoken(const std::vector<testing::TraceLine>& records) {
    std::vector<std::string> texts;
    for (const auto& r : Select(records, "call", "Speak")) texts.push_back(r.Arg(0));
    return texts;
  }

  TempFolder dir_;
  std::string characters_ = dir_ / "characters";
  std::string temp_ = dir_ / "tmp";
};

TEST_F(SelfRunTest, ProgramImageHoldsNoMarker) {
  const std::string image = ReadFile(ZARNPLAY_EXE);
  ASSERT_GT(image.size(), 100000u);
  // The read sees the program's texts, so it would see the marker too.
  EXPECT_NE(image.find("Open ZARN Script"), std::string::npos);
  EXPECT_EQ(image.find(EmbeddedScriptMarker()), std::string::npos);
}

TEST_F(SelfRunTest, MadeCopyPlaysItsScript) {
  const std::string script = dir_.Write("hello.zrn", kHello);
  const std::string copy = dir_ / "hello";
  const auto made = MakeExe(ZARNPLAY_EXE, script, copy);
  ASSERT_EQ(made.exit_code, 0) << made.err;
  struct stat info {};
  ASSERT_EQ(stat(copy.c_str(), &info), 0);
  EXPECT_NE(info.st_mode & S_IXUSR, 0u);
  EXPECT_EQ(ReadFile(copy), ReadFile(ZARNPLAY_EXE) + EmbeddedScriptMarker() + ReadFile(script));

  const auto records = Play(copy);
  EXPECT_EQ(Spoken(records), (std::vector<std::string>{"Hello from inside"}));
  const auto loads = Select(records, "life", "LoadScript");
  ASSERT_EQ(loads.size(), 1u);
  EXPECT_EQ(loads[0].Arg(0), temp_ + "/ZARN0001.TMP");
  EXPECT_FALSE(std::filesystem::exists(temp_ + "/ZARN0001.TMP"));
  EXPECT_TRUE(Select(records, "ui", "ErrorReport").empty());
}

TEST_F(SelfRunTest, CopyMadeByACopyCarriesOnlyItsOwnScript) {
  const std::string first = dir_ / "first";
  const std::string second = dir_ / "second.run";
  ASSERT_EQ(MakeExe(ZARNPLAY_EXE, dir_.Write("a.zrn", kHello), first).exit_code, 0);
  const auto made = MakeExe(first, dir_.Write("b.zrn", kSecond), second);
  ASSERT_EQ(made.exit_code, 0) << made.err;
  EXPECT_EQ(Spoken(Play(second)), (std::vector<std::string>{"Second"}));
}

TEST_F(SelfRunTest, MakeExeRefusesWhatWouldNotPlay) {
  const std::string script = dir_.Write("hello.zrn", kHello);
  dir_.Write("empty.zrn", "");
  dir_.Write("nul.zrn", std::string("[ZARN Script]\nVersion=7.0\n\0tail", 30));
  std::filesystem::create_directories(dir_ / "out");
  struct Case {
    std::string script;
    std::string output;
    const char* says;
  };
  const Case cases[] = {
      {script, "zarnplay", "open dialog"},
      {script, "ZARNPLAY.exe", "open dialog"},
      {script, "ZarnPlay.bin", "open dialog"},
      {script, "didadiz", "open dialog"},
      {script, "DidaDiz.exe", "open dialog"},
      {dir_ / "missing.zrn", "hello", "cannot read the script"},
      {dir_.Path(), "hello", "cannot read the script"},
      {dir_ / "empty.zrn", "hello", "empty"},
      {dir_ / "nul.zrn", "hello", "NUL"},
      {script, "no/such/folder/hello", "cannot write"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.output + " from " + c.script);
    const auto made = MakeExe(ZARNPLAY_EXE, c.script, dir_ / ("out/" + c.output));
    EXPECT_NE(made.exit_code, 0);
    EXPECT_NE(made.err.find(c.says), std::string::npos) << made.err;
    EXPECT_TRUE(std::filesystem::is_empty(dir_ / "out"));  // nothing written, no leftovers
  }
}

}  // namespace
}  // namespace zarn
