#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/common/VirtualTimeLoop.h"

namespace zarn {
namespace {

TEST(VirtualTimeLoop, RunsTasksInTimeThenPostingOrder) {
  VirtualTimeLoop loop;
  std::vector<std::string> ran;
  loop.PostAt(20, [&] { ran.push_back("b"); });
  loop.PostAt(10, [&] { ran.push_back("a"); });
  const TimerId cancelled = loop.PostAt(15, [&] { ran.push_back("x"); });
  loop.PostAt(20, [&] { ran.push_back("c"); });
  loop.Cancel(cancelled);
  loop.RunDue();
  EXPECT_TRUE(ran.empty());  // nothing is due at 0
  while (loop.RunNext()) {
  }
  EXPECT_EQ(ran, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(loop.Now(), 20);
}

TEST(VirtualTimeLoop, TasksPostedForNowRunInTheSamePump) {
  VirtualTimeLoop loop;
  std::vector<int> ran;
  loop.Post([&] {
    ran.push_back(1);
    loop.Post([&] { ran.push_back(2); });
  });
  loop.RunDue();
  EXPECT_EQ(ran, (std::vector<int>{1, 2}));
}

TEST(VirtualTimeLoop, ASleepingTaskHandsControlBackToTheIdleLoop) {
  // A task that sleeps and reposts itself (a show that loops for ever) must
  // not keep one pump busy for ever.
  VirtualTimeLoop loop;
  int runs = 0;
  std::function<void()> again = [&] {
    ++runs;
    loop.Advance(100);
    loop.Post(again);
  };
  loop.Post(again);
  EXPECT_TRUE(loop.RunNext());
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(loop.RunNext());
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(loop.Now(), 200);
}

TEST(VirtualTimeLoop, SleepMovesTheClockWithoutRunningAnything) {
  VirtualTimeLoop loop;
  bool ran = false;
  loop.PostAt(5, [&] { ran = true; });
  loop.Advance(10);
  EXPECT_FALSE(ran);
  EXPECT_EQ(loop.Now(), 10);
  loop.RunDue();
  EXPECT_TRUE(ran);
}

TEST(VirtualTimeLoop, BackgroundTasksRunOnlyWhileOtherWorkRemains) {
  // Idling reposts itself for ever; the run still ends with the last
  // ordinary task, and a sleep runs what fell due meanwhile.
  VirtualTimeLoop loop;
  std::vector<Millis> ran;
  std::function<void()> idle = [&] {
    ran.push_back(loop.Now());
    loop.PostBackgroundAt(loop.Now() + 10, idle);
  };
  loop.PostBackgroundAt(5, idle);
  const TimerId dropped = loop.PostBackgroundAt(7, [&] { ran.push_back(-1); });
  loop.Cancel(dropped);
  loop.PostAt(20, [] {});
  EXPECT_TRUE(loop.HasPending());
  while (loop.RunNext()) {
  }
  EXPECT_FALSE(loop.HasPending());
  EXPECT_EQ(ran, (std::vector<Millis>{5, 15}));
  EXPECT_EQ(loop.Now(), 20);
  loop.Advance(20);
  loop.RunDue();  // the one due at 25 runs when the sleep ends
  EXPECT_EQ(ran, (std::vector<Millis>{5, 15, 40}));
}

}  // namespace
}  // namespace zarn
