#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "FileServer.h"
#include "support/Harness.h"
#include "support/Process.h"
#include "support/TraceReader.h"

namespace zarn {
namespace {

using testing::ParseTrace;
using testing::ReadFile;
using testing::RunProcess;
using testing::TraceLine;

// A record the example must write: kind and op exactly, the character when
// given, and `arg` somewhere in one of its arguments when given.
struct Record {
  const char* kind;
  const char* op;
  const char* character = "";
  const char* arg = "";
};

struct Example {
  const char* script;
  std::vector<std::string> options;  // before the script
  std::vector<Record> in_order;      // each after the one before
};

bool Matches(const TraceLine& line, const Record& want) {
  if (line.kind != want.kind || line.op != want.op) return false;
  if (*want.character && line.character != want.character) return false;
  if (!*want.arg) return true;
  for (const auto& a : line.args) {
    if (a.find(want.arg) != std::string::npos) return true;
  }
  return false;
}

// Plays every example headless and follows its trace. The media an example
// downloads comes from a server on 127.0.0.1.
TEST(ExamplesTest, EachExamplePlaysItsFeatures) {
  const std::string examples = std::string(ZARN_SOURCE_DIR) + "/examples";
  testing::FileServer server(examples + "/media");
  ASSERT_NE(server.Port(), 0);
  const std::string served = "/server=http://127.0.0.1:" + std::to_string(server.Port());

  const Example cases[] = {
      {"demo.zrn",
       {"--clock", "2026-12-08 09:30:00"},
       {{"event", "Bookmark", "", "1"},
        {"call", "Put", "Fennet", "Balloon.FontName"},
        {"anim", "Start", "Fennet", "Wave"},
        {"anim", "Sound", "Fennet", "Greet"}}},
      {"hello.zrn",
       {},
       {{"anim", "Start", "Fennet", "Show"},
        {"anim", "Start", "Fennet", "Greet"},
        {"anim", "Start", "Fennet", "Pleased"},
        {"event", "Hide", "Fennet"}}},
      {"two-characters.zrn",
       {},
       {{"call", "Load", "Bramble", "Fennet.acs"},
        {"call", "Wait", "Bramble"},
        {"call", "Wait", "Fennet"},
        {"anim", "Start", "Fennet", "GestureLeft"},
        {"anim", "Start", "Bramble", "Congratulate"}}},
      {"bookmarks.zrn",
       {},
       {{"event", "Bookmark", "", "1"},
        {"anim", "Start", "Bramble", "Show"},
        {"event", "Bookmark", "", "2"},
        {"anim", "Start", "Bramble", "Wave"},
        {"event", "Bookmark", "", "3"},
        {"media", "mci", "", "chime.wav"},
        {"event", "Bookmark", "", "4"},
        {"anim", "Start", "Bramble", "Hide"},
        {"anim", "Start", "Fennet", "Hide"}}},
      {"commands.zrn",
       {"--act", "8 command think", "--act", "14 command work", "--act", "18 command stop", "--act",
        "26 command bye"},
       {{"call", "Commands.Add", "Fennet", "Get to work"},
        {"call", "Think", "Fennet", "think about that"},
        {"anim", "Start", "Fennet", "Processing"},
        {"call", "StopAll", "Fennet"},
        {"call", "Speak", "Fennet", "Done."},
        {"event", "Command", "", "bye"},
        {"life", "ShutDown"}}},
      {"backdrop-and-music.zrn",
       {},
       {{"ui", "Backdrop", "", "color"},
        {"ui", "Backdrop", "", "backdrop.png"},
        {"media", "mci", "", "tune.mid"},
        {"anim", "Start", "Fennet", "Idle2_2"},
        {"event", "Bookmark", "", "1"},
        {"media", "mci", "", "stop media"},
        {"media", "mci", "", "chime.wav"},
        {"ui", "Backdrop", "", "hide"}}},
      {"read-aloud.zrn",
       {},
       {{"call", "Speak", "Fennet", "\\spd=150\\Once there was a small sprout"},
        {"call", "Speak", "Fennet", "next sunny morning."},
        {"event", "Bookmark", "", "777777777"},
        {"anim", "Start", "Fennet", "Pleased"}}},
      {"slideshow.zrn",
       {},
       {{"show", "Open", "", "slides.odp"},
        {"show", "NextSlide", "", "1"},
        {"call", "Speak", "Fennet", "Welcome"},
        {"show", "NextSlide", "", "2"},
        {"anim", "Start", "Fennet", "Gesture"},
        {"show", "NextSlide", "", "3"},
        {"anim", "Start", "Fennet", "Congratulate"},
        {"show", "SlideShowEnd"}}},
      {"self-running.zrn",
       {},
       {{"call", "Speak", "Fennet", "--make-exe"}, {"anim", "Start", "Fennet", "Wave"}}},
      {"download.zrn",
       {},
       {{"net", "Download", "", "/backdrop.png"},
        {"ui", "Backdrop", "", "image"},
        {"event", "Bookmark", "", "1"},
        {"net", "Download", "", "/chime.wav"},
        {"media", "mci", "", "waveaudio"}}},
      {"tour.zrn",
       {},
       {{"anim", "Start", "Fennet", "MoveRight"},
        {"anim", "Start", "Fennet", "GestureLeft"},
        {"anim", "Start", "Fennet", "MoveUp"},
        {"anim", "Start", "Fennet", "Think"},
        {"anim", "Start", "Fennet", "ThinkReturn"},
        {"anim", "Start", "Fennet", "Explain"},
        {"anim", "Start", "Fennet", "Congratulate"}}},
  };
  testing::TempFolder dir;
  for (const auto& example : cases) {
    SCOPED_TRACE(example.script);
    const std::string trace = dir / (std::string(example.script) + ".jsonl");
    std::vector<std::string> args = {ZARNPLAY_EXE, "--headless", "--idle-exit", "--trace", trace};
    args.insert(args.end(), example.options.begin(), example.options.end());
    args.push_back(examples + "/" + example.script);
    args.push_back(served);
    const auto result =
        RunProcess(args,
                   {"ZARN_CHARACTERS=" + std::string(ZARN_BINARY_DIR) + "/characters",
                    "TMPDIR=" + dir.Path(), "ZARN_INSTANCE_DIR=" + dir.Path()},
                   dir.Path());
    ASSERT_EQ(result.exit_code, 0) << result.err;
    const auto records = ParseTrace(ReadFile(trace));
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().kind + " " + records.back().op, "life Exit");
    size_t next = 0;
    for (const auto& line : records) {
      // An example runs cleanly: no message, no error report, no failed call.
      EXPECT_NE(line.op, "MessageBox") << line.raw;
      EXPECT_NE(line.op, "ErrorReport") << line.raw;
      if (line.kind == "call" || line.kind == "net") {
        EXPECT_EQ(line.error, "") << line.raw;
      }
      if (next < example.in_order.size() && Matches(line, example.in_order[next])) ++next;
    }
    if (next < example.in_order.size()) {
      const Record& missing = example.in_order[next];
      ADD_FAILURE() << "no " << missing.kind << " " << missing.op << " " << missing.character
                    << " \"" << missing.arg << "\" in its place";
    }
  }
  EXPECT_EQ(server.Requests(), 2);
}

// The self-running example as it is meant to travel: inside a copy of the
// player, which plays it with no script named.
TEST(ExamplesTest, TheSelfRunningExamplePlaysFromItsCopy) {
  testing::TempFolder dir;
  const std::vector<std::string> env = {
      "ZARN_CHARACTERS=" + std::string(ZARN_BINARY_DIR) + "/characters", "TMPDIR=" + dir.Path(),
      "ZARN_INSTANCE_DIR=" + dir.Path()};
  const std::string copy = dir / "greeting";
  const auto made = RunProcess({ZARNPLAY_EXE, "--make-exe",
                                std::string(ZARN_SOURCE_DIR) + "/examples/self-running.zrn", copy},
                               env, dir.Path());
  ASSERT_EQ(made.exit_code, 0) << made.err;
  const std::string trace = dir / "copy.jsonl";
  const auto played =
      RunProcess({copy, "--headless", "--idle-exit", "--trace", trace}, env, dir.Path());
  ASSERT_EQ(played.exit_code, 0) << played.err;
  const auto records = ParseTrace(ReadFile(trace));
  const auto speaks = testing::Select(records, "call", "Speak");
  ASSERT_EQ(speaks.size(), 2u);
  EXPECT_EQ(speaks[0].Arg(0), "This script can travel inside a copy of the player.");
  const auto starts = testing::Select(records, "anim", "Start");
  ASSERT_FALSE(starts.empty());
  EXPECT_EQ(starts.back().Arg(0), "Hide");
}

}  // namespace
}  // namespace zarn
