#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "charengine/RequestQueue.h"

namespace zarn::engine {
namespace {

using Ids = std::vector<RequestId>;

// A queue from a line such as "1 2q 3s": ids in order, `q` a quiet request
// (one the service plays by itself), `s` a Speak, `w` a Listening state.
RequestQueue Queue(const std::string& line, bool busy) {
  RequestQueue queue;
  size_t at = 0;
  while (at < line.size()) {
    size_t end = line.find(' ', at);
    if (end == std::string::npos) end = line.size();
    const std::string word = line.substr(at, end - at);
    Request request;
    request.id = std::stoi(word);
    request.quiet = word.find('q') != std::string::npos;
    if (word.find('s') != std::string::npos) request.kind = Kind::kSpeak;
    if (word.find('w') != std::string::npos) {
      request.kind = Kind::kState;
      request.listening_state = true;
    }
    queue.Push(request);
    at = end + 1;
  }
  queue.SetBusy(busy);
  return queue;
}

Ids Left(RequestQueue& queue) {
  Ids ids;
  while (!queue.Empty()) {
    ids.push_back(queue.Front().id);
    queue.PopFront();
  }
  return ids;
}

bool IsSpeak(const Request& request) { return request.kind == Kind::kSpeak; }
bool IsListening(const Request& request) { return request.listening_state; }

// What a Stop, StopAll or closing window takes out of a queue: the ids the
// client hears of (in queue order, never the quiet ones) and what is left.
TEST(RequestQueueTaking, RemovesWhatTheStopAsksForAndReportsWhatClientsKnow) {
  struct Case {
    const char* name;
    const char* queue;
    bool busy;
    std::function<Ids(RequestQueue&)> take;
    Ids removed;
    Ids left;
  };
  const auto push_next_9 = [](RequestQueue& q) {
    Request next;
    next.id = 9;
    q.PushNext(next);
    return Ids{};
  };
  const Case cases[] = {
      {"all, quiet ones unreported",
       "1 2q 3",
       true,
       [](RequestQueue& q) { return q.TakeAll(false); },
       {1, 3},
       {}},
      {"all but the front",
       "1 2 3q 4",
       true,
       [](RequestQueue& q) { return q.TakeAll(true); },
       {2, 4},
       {1}},
      {"all but the front of one",
       "7",
       true,
       [](RequestQueue& q) { return q.TakeAll(true); },
       {},
       {7}},
      {"matching, front included",
       "1s 2 3s 4qs",
       true,
       [](RequestQueue& q) { return q.TakeMatching(IsSpeak); },
       {1, 3},
       {2}},
      {"one by id",
       "1 2 3",
       true,
       [](RequestQueue& q) { return Ids{q.Take(2) ? 2 : 0}; },
       {2},
       {1, 3}},
      {"an id not queued",
       "1 2",
       false,
       [](RequestQueue& q) { return Ids{q.Take(5) ? 5 : 0}; },
       {0},
       {1, 2}},
      {"waiting states, not the one in progress",
       "1qw 2 3qw",
       true,
       [](RequestQueue& q) {
         q.DropWaiting(IsListening);
         return Ids{};
       },
       {},
       {1, 2}},
      {"waiting states of an idle queue",
       "1qw 2",
       false,
       [](RequestQueue& q) {
         q.DropWaiting(IsListening);
         return Ids{};
       },
       {},
       {2}},
      {"next behind the one in progress", "1 2", true, push_next_9, {}, {1, 9, 2}},
      {"next of an idle queue goes first", "1 2", false, push_next_9, {}, {9, 1, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RequestQueue queue = Queue(c.queue, c.busy);
    EXPECT_EQ(c.take(queue), c.removed);
    EXPECT_EQ(Left(queue), c.left);
  }
}

}  // namespace
}  // namespace zarn::engine
