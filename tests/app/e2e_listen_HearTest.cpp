#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/Harness.h"
#include "support/Process.h"
#include "support/TraceReader.h"

namespace zarn {
namespace {

using testing::ParseTrace;
using testing::ReadFile;
using testing::RunProcess;
using testing::Select;
using testing::TempFolder;

// Recordings made with espeak-ng are heard through --act hear; the
// program's own confidence filters then act on what the recognizer says.
class HearTest : public ::testing::Test {
 protected:
  // A private runtime folder keeps other copies from being found.
  void SetUp() override {
    // The registry takes only a folder no one else can write to.
    std::filesystem::create_directory(dir_ / "runtime");
    std::filesystem::permissions(dir_ / "runtime", std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace);
  }
  std::vector<std::string> Env(const std::string& model = "") {
    std::vector<std::string> env = {"ZARN_CHARACTERS=" + testing::TestCharacterFolder(),
                                    "ZARN_INSTANCE_DIR=" + (dir_ / "runtime")};
    if (!model.empty()) env.push_back("ZARN_LISTEN_MODEL=" + model);
    return env;
  }
  // A phrase as espeak-ng says it (22050 Hz), optionally resampled by sox.
  std::string Say(const std::string& name, const std::string& phrase, bool to_16k) {
    const std::string raw = dir_ / (name + "-22k.wav");
    const std::string wav = dir_ / (name + ".wav");
    const auto spoken =
        RunProcess({"/usr/bin/espeak-ng", "-v", "en-us", "-w", raw, phrase}, {}, dir_.Path());
    EXPECT_EQ(spoken.exit_code, 0) << spoken.err;
    if (!to_16k) return raw;
    const auto resampled = RunProcess(
        {"/usr/bin/sox", raw, "-r", "16000", "-c", "1", "-b", "16", wav, "pad", "0.3", "0.3"}, {},
        dir_.Path());
    EXPECT_EQ(resampled.exit_code, 0) << resampled.err;
    return wav;
  }
  std::string Script() {
    return dir_.Write("voice.zrn",
                      "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Commands]\n"
                      "hello=Hello|~|say hello [there]\n"
                      "weather=Weather|~|show [the] weather\n"
                      "write=Write|~|write letter\n"
                      "right=Right|~|right letter\n"
                      "[CommandScript:hello]\nPip.Play \"Wave\"\n"
                      "[CommandScript:weather]\nPip.Play \"Wave\"\n"
                      "[CommandScript:write]\nPip.Play \"Wave\"\n"
                      "[CommandScript:right]\nPip.Play \"Wave\"\n"
                      "[Script]\nPip.Show\nPip.Listen True\n");
  }
  TempFolder dir_;
};

TEST_F(HearTest, SpokenCommandsRunAndDoubtfulOnesDoNot) {
  const std::string script = Script();
  const std::string trace = dir_ / "voice.jsonl";
  const auto result = RunProcess(
      {ZARNPLAY_EXE, "--headless", "--trace", trace, "--act",
       "2 hear " + Say("hello", "say hello", true), "--act",
       "4 hear " + Say("weather", "show the weather", false), "--act",
       "6 hear " + Say("time", "what time is it", true), "--act",
       "8 hear " + Say("letter", "write letter", true), "--act", "10 menu &Close", script},
      Env(), dir_.Path());
  ASSERT_EQ(result.exit_code, 0) << result.err;
  const auto records = ParseTrace(ReadFile(trace));
  EXPECT_EQ(Select(records, "call", "Listen")[0].result, "true");
  const auto commands = Select(records, "event", "Command");
  // Nothing at 6 s: that phrase is not in the grammar.
  ASSERT_EQ(commands.size(), 3u) << ReadFile(trace);
  struct Heard {
    double t;
    const char* name;
    int at_least;
    int at_most;
  };
  // "write" and "right" sound alike: neither is sure, each is the other's
  // close alternative, and the filters drop the command (no Play at 8 s)
  // although its confidence is above the -40 floor.
  const Heard heard[] = {{2, "hello", 90, 100}, {4, "weather", 90, 100}, {8, "", -39, 49}};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(heard[i].t);
    EXPECT_EQ(commands[i].t, heard[i].t);
    if (*heard[i].name != '\0') {
      EXPECT_EQ(commands[i].Arg(0), heard[i].name);
    }
    const int confidence = std::atoi(commands[i].Arg(1).c_str());
    EXPECT_GE(confidence, heard[i].at_least);
    EXPECT_LE(confidence, heard[i].at_most);
  }
  const auto plays = Select(records, "call", "Play");
  ASSERT_EQ(plays.size(), 2u);
  EXPECT_EQ(plays[0].t, 2.0);
  EXPECT_EQ(plays[1].t, 4.0);
}

// The window's events in the order they happen, the Hearing state as the
// utterance starts, and the service's own commands acting: "hide" hides the
// character at once, dropping what was queued (cause 1, the user), its name shows it again (cause
// 2). A recording heard with no window open is heard as if the key were held.
TEST_F(HearTest, ListeningEventsAndTheServicesOwnCommands) {
  const std::string trace = dir_ / "own.jsonl";
  const auto result = RunProcess(
      {ZARNPLAY_EXE, "--headless", "--trace", trace, "--act",
       "2 hear " + Say("hello", "say hello", true), "--act", "4 hear " + Say("hide", "hide", true),
       "--act", "6 hear " + Say("pip", "pip", true), "--act", "8 menu &Close", Script()},
      Env(), dir_.Path());
  ASSERT_EQ(result.exit_code, 0) << result.err;
  std::vector<std::string> seen;
  for (const auto& r : ParseTrace(ReadFile(trace))) {
    const bool listening =
        r.kind == "event" && (r.op == "ListenStart" || r.op == "ListenComplete" ||
                              r.op == "Command" || r.op == "Show" || r.op == "Hide");
    const bool state = r.kind == "anim" && r.Arg(1) == "state";
    if ((!listening && !state) || r.t >= 8) continue;  // not the closing Hide
    std::string line = std::to_string(static_cast<int>(r.t)) + " " + r.op;
    for (const std::string& arg : r.args) line += " " + arg;
    if (r.op != "Command")
      seen.push_back(line);
    else
      seen.push_back(line.substr(0, line.rfind(' ')));  // confidence checked elsewhere
  }
  const std::vector<std::string> expected = {
      "0 Show 4",           "0 ListenStart",      "2 Start Hearing1 state",
      "2 Command hello",    "2 ListenComplete 5", "4 ListenStart",
      "4 Command ",         "4 ListenComplete 4", "4 Hide 1",
      "6 ListenStart",      "6 Command ",         "6 Show 2",
      "6 ListenComplete 4",
  };
  EXPECT_EQ(seen, expected) << ReadFile(trace);
}

TEST_F(HearTest, WithoutAModelListenIsFalseAndTheScriptGoesOn) {
  const std::string trace = dir_ / "nomodel.jsonl";
  const auto result =
      RunProcess({ZARNPLAY_EXE, "--headless", "--trace", trace, "--act",
                  "1 hear " + Say("hello", "say hello", true), "--act", "2 menu &Close", Script()},
                 Env(dir_ / "no-model"), dir_.Path());
  ASSERT_EQ(result.exit_code, 0) << result.err;
  const auto records = ParseTrace(ReadFile(trace));
  EXPECT_EQ(Select(records, "call", "Listen")[0].result, "false");
  EXPECT_TRUE(Select(records, "event", "Command").empty());
  EXPECT_NE(result.err.find("Listen: no speech recognition model"), std::string::npos)
      << result.err;
  EXPECT_EQ(Select(records, "life", "ShutDown").size(), 1u);
}

}  // namespace
}  // namespace zarn
