// Queues many requests on two characters and plays them on a virtual clock:
// the engine's cost per request, and whether it stays linear.
#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <set>
#include <string>

#include "charengine/CharacterEngine.h"
#include "charfile/TestCharacters.h"

namespace zarn {
namespace {

class VirtualClock : public Scheduler {
 public:
  Millis Now() const override { return now_; }
  TimerId PostAt(Millis at, std::function<void()> task) override {
    const TimerId id = next_++;
    tasks_.emplace(std::make_pair(std::max(at, now_), id), std::move(task));
    due_.emplace(id, std::max(at, now_));
    return id;
  }
  TimerId PostBackgroundAt(Millis at, std::function<void()> task) override {
    const TimerId id = PostAt(at, std::move(task));
    background_.insert(id);
    return id;
  }
  void Cancel(TimerId id) override {
    auto due = due_.find(id);
    if (due == due_.end()) return;
    tasks_.erase({due->second, id});
    due_.erase(due);
    background_.erase(id);
  }
  // Until only idling is left.
  void Run() {
    while (tasks_.size() > background_.size()) {
      auto node = tasks_.extract(tasks_.begin());
      now_ = node.key().first;
      due_.erase(node.key().second);
      background_.erase(node.key().second);
      node.mapped()();
    }
  }

 private:
  Millis now_ = 0;
  TimerId next_ = 1;
  std::map<std::pair<Millis, TimerId>, std::function<void()>> tasks_;
  std::map<TimerId, Millis> due_;
  std::set<TimerId> background_;
};

class CountingEvents : public CharacterServiceEvents {
 public:
  void RequestStart(RequestId) override { ++count; }
  void RequestComplete(RequestId, int) override { ++count; }
  void Bookmark(int32_t, const std::string&, RequestId) override { ++count; }
  void Command(const UserInput&) override {}
  void Show(const std::string&, int) override {}
  void Hide(const std::string&, int) override {}
  int64_t count = 0;
};

CharacterModel PipModel() {
  const CharacterDescription pip = PipCharacter();
  CharacterModel model;
  model.localized = pip.info.localized;
  model.width = pip.info.width;
  model.height = pip.info.height;
  model.voice_speed = pip.info.voice.speed;
  model.balloon = pip.info.balloon;
  model.states = pip.info.states;
  model.animations = pip.animations;
  return model;
}

void BM_QueueAndPlay(benchmark::State& state) {
  const CharacterModel pip = PipModel();
  const int64_t requests = state.range(0);
  for (auto _ : state) {
    VirtualClock clock;
    CountingEvents events;
    CharacterEngine engine(clock, {}, [&](const std::string&) { return pip; });
    engine.SetEvents(&events);
    engine.LoadModel("A", pip);
    engine.LoadModel("B", pip);
    engine.Show("A", std::nullopt);
    engine.Show("B", true);
    RequestId last = 0;
    for (int64_t i = 0; i < requests; ++i) {
      const char* who = i % 2 ? "A" : "B";
      switch (i % 6) {
        case 0:
          last = engine.Play(who, "Wave");
          break;
        case 1:
          last = engine.Speak(who, "Hello there \\Mrk=3\\ my friend", "");
          break;
        case 2:
          last = engine.MoveTo(who, static_cast<int16_t>(i % 800), 100, std::nullopt);
          break;
        case 3:
          last = engine.GestureAt(who, 0, static_cast<int16_t>(i % 600));
          break;
        case 4:
          engine.Wait(who, last);
          break;
        default:
          last = engine.Play(who, "Idle1_1");
          break;
      }
    }
    clock.Run();
    benchmark::DoNotOptimize(events.count);
  }
  state.SetItemsProcessed(state.iterations() * requests);
}
BENCHMARK(BM_QueueAndPlay)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zarn

BENCHMARK_MAIN();
