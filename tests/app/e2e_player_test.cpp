#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

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

class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directory(Runtime()); }
  // Copies register their windows here; a private folder keeps them apart
  // from other tests.
  std::string Runtime() { return dir_ / "runtime"; }
  std::vector<std::string> Env() {
    // The test characters, then Fennet, whom the build draws.
    return {
        "ZARN_CHARACTERS=" + testing::TestCharacterFolder() + ":" + ZARN_BINARY_DIR + "/characters",
        "ZARN_INSTANCE_DIR=" + Runtime() + "/zarnplay"};
  }
  ProcessResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), ZARNPLAY_EXE);
    return RunProcess(args, Env(), dir_.Path());
  }
  TempFolder dir_;
};

TEST_F(PlayerTest, PlaysTheBundledDemoTheSameWayEveryTime) {
  const std::string demo = std::string(ZARN_SOURCE_DIR) + "/examples/demo.zrn";
  std::string traces[2];
  for (int i = 0; i < 2; ++i) {
    const std::string trace = dir_ / ("demo" + std::to_string(i) + ".jsonl");
    const auto result = Run(
        {"--headless", "--idle-exit", "--clock", "2026-12-08 09:30:00", "--trace", trace, demo});
    ASSERT_EQ(result.exit_code, 0) << result.err;
    EXPECT_NE(result.out.find("call   Fennet.Show"), std::string::npos);  // the timeline
    // The shutdown's media stop finds nothing open: an answer, not a failure.
    EXPECT_EQ(result.out.find(" ! "), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("\"status media mode\" = 263 (not open)"), std::string::npos);
    traces[i] = ReadFile(trace);
  }
  EXPECT_EQ(traces[0], traces[1]);
  const auto records = ParseTrace(traces[0]);
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.back().kind + " " + records.back().op, "life Exit");
  EXPECT_EQ(Select(records, "event", "Bookmark").size(), 1u);
  EXPECT_EQ(Select(records, "life", "ShutDown").size(), 1u);
  const auto speaks = Select(records, "call", "Speak");
  ASSERT_FALSE(speaks.empty());
  EXPECT_EQ(speaks[0].Arg(0).substr(0, 25), "Good Morning, friend! \\mr");
}

TEST_F(PlayerTest, OptionsAndTheirMistakes) {
  struct Case {
    std::vector<std::string> args;
    int exit_code;
    const char* in_out;
    const char* in_err;
  };
  const Case cases[] = {
      {{"--help"}, 0, "Usage: zarnplay", ""},
      {{"--version"}, 0, "ZARNPlay 7.0.10", ""},
      {{"--bogus"}, 2, "", "unknown option --bogus"},
      {{"--screen", "wide"}, 2, "", "--screen takes"},
      {{"--seed", "-1"}, 2, "", "--seed takes"},
      {{"--act", "soon menu &Close"}, 2, "", "--act takes"},
      {{"--trace"}, 2, "", "--trace needs a value"},
      {{"--headless", "--tts-timing", "loud", "x.zrn"}, 2, "", "--tts-timing takes"},
      {{"--headless", "--clock", "yesterday", "x.zrn"}, 2, "", "--clock takes"},
      // A missing script: its message, and the run fails.
      {{"--headless", "--idle-exit", "/nowhere/x.zrn"},
       1,
       "'x.zrn' is not a valid ZARN Script File",
       "could not play '/nowhere/x.zrn'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    const auto result = Run(c.args);
    EXPECT_EQ(result.exit_code, c.exit_code);
    EXPECT_NE(result.out.find(c.in_out), std::string::npos) << result.out;
    EXPECT_NE(result.err.find(c.in_err), std::string::npos) << result.err;
  }
}

TEST_F(PlayerTest, ActionsDriveTheTrayAndCommands) {
  const std::string script = dir_.Write(
      "stay.zrn",
      "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Commands]\n"
      "hello=Hello|~|hello\n[CommandScript:hello]\nPip.Play \"Wave\"\n[Script]\nPip.Show\n");
  const std::string trace = dir_ / "stay.jsonl";
  const auto result = Run({"--headless", "--trace", trace, "--act", "5 command hello 90", "--act",
                           "10 menu Hide &Pip", "--act", "20 menu &Close", script});
  ASSERT_EQ(result.exit_code, 0) << result.err;
  const auto records = ParseTrace(ReadFile(trace));
  const auto commands = Select(records, "event", "Command");
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].t, 5.0);
  EXPECT_EQ(commands[0].args, (std::vector<std::string>{"hello", "90"}));
  EXPECT_EQ(Select(records, "call", "Play").size(), 1u);
  EXPECT_EQ(Select(records, "life", "ShutDown")[0].t, 20.0);
}

TEST_F(PlayerTest, WithoutIdleExitCommandsKeepItRunningUntilSignalled) {
  const std::string script =
      dir_.Write("stay.zrn",
                 "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Commands]\n1=One|~|one\n"
                 "[Script]\nPip.Show\n");
  // --idle-exit ends it; without it the program waits (killed by the timeout).
  EXPECT_EQ(Run({"--headless", "--idle-exit", script}).exit_code, 0);
  const auto waiting = RunProcess({ZARNPLAY_EXE, "--headless", script}, Env(), dir_.Path(), 2);
  EXPECT_EQ(waiting.exit_code, -1);
}

TEST_F(PlayerTest, ALoopThatHoldsItsQueueEndsAnIdleExitRunAndIsNamed) {
  // Spin loops until stopped; the Speak behind it never starts, and only
  // the loop and idling remain.
  const std::string script =
      dir_.Write("spin.zrn",
                 "[ZARN Script]\nVersion=7.0\n[Characters]\nLoopy=Loopy.acs\n"
                 "[Script]\nLoopy.Show\nLoopy.Play \"Spin\"\nLoopy.Speak \"never\"\n");
  const std::string trace = dir_ / "spin.jsonl";
  const auto result = Run({"--headless", "--idle-exit", "--trace", trace, script});
  ASSERT_EQ(result.exit_code, 0) << result.err;
  EXPECT_NE(result.out.find("anim   Loopy.Looping \"Spin\""), std::string::npos) << result.out;
  const auto records = ParseTrace(ReadFile(trace));
  ASSERT_GE(records.size(), 2u);
  const auto& looping = records[records.size() - 2];
  EXPECT_EQ(looping.kind + " " + looping.op, "anim Looping");
  EXPECT_EQ(looping.args, (std::vector<std::string>{"Spin"}));
  const auto starts = Select(records, "anim", "Start");
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(starts[1].args, (std::vector<std::string>{"Spin", "request"}));
  EXPECT_EQ(Select(records, "event", "RequestStart").size(), 2u);  // Show, Play
}

TEST_F(PlayerTest, RealtimePacesTheSamePerformanceByTheWallClock) {
  // Show (1.0 s) and Hide (0.8 s): the run takes 1.8 s of performance.
  const std::string script =
      dir_.Write("short.zrn",
                 "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Script]\nPip.Show\n"
                 "Pip.Hide\n");
  const std::string virtual_trace = dir_ / "virtual.jsonl";
  const std::string real_trace = dir_ / "real.jsonl";
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Run({"--realtime", "--idle-exit", "--trace", real_trace, script}).exit_code, 0);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(seconds, 1.8);
  ASSERT_EQ(Run({"--headless", "--idle-exit", "--trace", virtual_trace, script}).exit_code, 0);
  EXPECT_EQ(ReadFile(real_trace), ReadFile(virtual_trace));
}

}  // namespace
}  // namespace zarn
