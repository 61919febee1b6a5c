#include <gtest/gtest.h>

#include "charfile/TestCharacters.h"
#include "support/Harness.h"

namespace zarn {
namespace {

using testing::Harness;
using testing::HarnessOptions;
using testing::Select;
using testing::TempFolder;
using testing::TraceLine;

const char* const kTwoCharacters =
    "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\nMini=Mini.acs\n"
    "[Bookmarks]\n7=\n[BookmarkScript:7]\nMini.Think \"noted\"\n"
    "[Script]\n"
    "Pip.MoveTo 100, 100, 0\n"
    "Pip.Show\n"
    "Mini.Show True\n"
    "Pip.Speak \"One two \\mrk=7\\three four\"\n"
    "Pip.MoveTo 300, 100\n"
    "Pip.GestureAt 0, 0\n"
    "SetReq = Pip.Play(\"Wave\")\n"
    "WaitForReq\n"
    "Mini.Play \"RestPose\"\n"
    "Mini.Hide\n"
    "Pip.Hide\n";

std::string PlayOnce(const std::string& path, uint32_t seed) {
  HarnessOptions options;
  options.command_line = path;
  options.seed = seed;
  Harness h(options);
  h.StartAndRun();
  return h.TraceText();
}

// The time a request completed.
double CompletedAt(const std::vector<TraceLine>& records, int64_t req) {
  for (const auto& r : records) {
    if (r.kind == "event" && r.op == "RequestComplete" && r.req == req) return r.t;
  }
  return -1;
}

double StartedAt(const std::vector<TraceLine>& records, int64_t req) {
  for (const auto& r : records) {
    if (r.kind == "event" && r.op == "RequestStart" && r.req == req) return r.t;
  }
  return -1;
}

int64_t RequestOf(const std::vector<TraceLine>& records, const std::string& op,
                  const std::string& character, size_t nth = 0) {
  for (const auto& r : records) {
    if (r.kind == "call" && r.op == op && r.character == character && r.req) {
      if (nth-- == 0) return *r.req;
    }
  }
  return 0;
}

TEST(Performance, SameTraceOnEveryRun) {
  TempFolder dir;
  const auto path = dir.Write("two.zrn", kTwoCharacters);
  const std::string first = PlayOnce(path, 1);
  EXPECT_EQ(PlayOnce(path, 1), first);
  EXPECT_EQ(PlayOnce(path, 1), first);
  EXPECT_NE(first.find("\"op\":\"Bookmark\""), std::string::npos);
}

TEST(Performance, TimesFollowTheCharacterFile) {
  TempFolder dir;
  const auto path = dir.Write("two.zrn", kTwoCharacters);
  const auto records = testing::ParseTrace(PlayOnce(path, 1));
  const double frame = kPipFrameDuration / 100.0;

  const auto show = RequestOf(records, "Show", "Pip");
  EXPECT_DOUBLE_EQ(CompletedAt(records, show) - StartedAt(records, show), 10 * frame);
  const auto wave = RequestOf(records, "Play", "Pip");
  EXPECT_DOUBLE_EQ(CompletedAt(records, wave) - StartedAt(records, wave), 6 * frame);
  const auto move = RequestOf(records, "MoveTo", "Pip", 1);
  EXPECT_DOUBLE_EQ(CompletedAt(records, move) - StartedAt(records, move), 1.0);  // default speed
  const auto hide = RequestOf(records, "Hide", "Pip");
  EXPECT_DOUBLE_EQ(CompletedAt(records, hide) - StartedAt(records, hide), 8 * frame);

  // Mini waits for Pip's Wave: its next request starts when Wave completes.
  const auto rest = RequestOf(records, "Play", "Mini");
  EXPECT_DOUBLE_EQ(StartedAt(records, rest), CompletedAt(records, wave));
  // Pip's requests run one after another in queue order.
  EXPECT_DOUBLE_EQ(StartedAt(records, move),
                   CompletedAt(records, RequestOf(records, "Speak", "Pip")));
  // The bookmark falls inside the speech, and its script runs then.
  const auto bookmark = Select(records, "event", "Bookmark");
  ASSERT_EQ(bookmark.size(), 1u);
  const auto speak = RequestOf(records, "Speak", "Pip");
  EXPECT_GT(bookmark[0].t, StartedAt(records, speak));
  EXPECT_LT(bookmark[0].t, CompletedAt(records, speak));
  const auto think = Select(records, "call", "Think");
  ASSERT_EQ(think.size(), 1u);
  EXPECT_DOUBLE_EQ(think[0].t, bookmark[0].t);
  // The end marker sits behind the current character's last request.
  const auto get = Select(records, "call", "Get");
  ASSERT_EQ(get.size(), 1u);
  EXPECT_EQ(get[0].character, "Pip");
  EXPECT_DOUBLE_EQ(StartedAt(records, *get[0].req), CompletedAt(records, hide));
  const auto shutdown = Select(records, "life", "ShutDown");
  ASSERT_EQ(shutdown.size(), 1u);
  EXPECT_DOUBLE_EQ(shutdown[0].t, CompletedAt(records, *get[0].req));
}

TEST(Performance, StopAllCompletesQueuedRequestsAsInterrupted) {
  TempFolder dir;
  const auto path = dir.Write("stop.zrn",
                              "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n"
                              "[Bookmarks]\n1=\n[BookmarkScript:1]\nPip.StopAll\n"
                              "[Script]\nPip.Show True\nPip.Speak \"a \\mrk=1\\b\"\n"
                              "Pip.Play \"Wave\"\nPip.Play \"Greet\"\n");
  const auto records = testing::ParseTrace(PlayOnce(path, 1));
  std::map<int64_t, int64_t> status;
  for (const auto& r : Select(records, "event", "RequestComplete")) status[*r.req] = *r.status;
  EXPECT_EQ(status[RequestOf(records, "Speak", "Pip")], 3);
  EXPECT_EQ(status[RequestOf(records, "Play", "Pip")], 3);
  EXPECT_EQ(status[RequestOf(records, "Play", "Pip", 1)], 3);
  EXPECT_EQ(status[*Select(records, "call", "Get")[0].req], 3);
}

}  // namespace
}  // namespace zarn
