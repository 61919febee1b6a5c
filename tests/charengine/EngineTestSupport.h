#pragma once

// A virtual clock, an event recorder and Pip as an in-memory model, for
// driving the engine without the program.

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "backend/MediaProbe.h"
#include "charengine/CharacterEngine.h"
#include "charengine/CharacterModel.h"
#include "charfile/TestCharacters.h"
#include "ports/CharacterServicePort.h"
#include "ports/Scheduler.h"

namespace zarn::test {

class TestScheduler : public Scheduler {
 public:
  Millis Now() const override { return now_; }
  TimerId PostAt(Millis at, std::function<void()> task) override {
    const TimerId id = next_id_++;
    tasks_.emplace(std::make_pair(std::max(at, now_), id), std::move(task));
    return id;
  }
  TimerId PostBackgroundAt(Millis at, std::function<void()> task) override {
    const TimerId id = PostAt(at, std::move(task));
    background_.insert(id);
    return id;
  }
  void Cancel(TimerId id) override {
    background_.erase(id);
    for (auto it = tasks_.begin(); it != tasks_.end(); ++it) {
      if (it->first.second == id) {
        tasks_.erase(it);
        return;
      }
    }
  }
  // Runs tasks in time order until only background ones (idling, held
  // loops) are left; false if `limit` tasks ran without getting there
  // (something reschedules itself forever).
  bool RunUntilIdle(int limit = 100000) {
    for (int i = 0; i < limit; ++i) {
      if (tasks_.size() == background_.size()) return true;
      auto node = tasks_.extract(tasks_.begin());
      now_ = node.key().first;
      background_.erase(node.key().second);
      node.mapped()();
    }
    return tasks_.size() == background_.size();
  }
  // Runs what is due up to `until` and leaves the clock there.
  void RunUntil(Millis until) {
    while (!tasks_.empty() && tasks_.begin()->first.first <= until) {
      auto node = tasks_.extract(tasks_.begin());
      now_ = node.key().first;
      background_.erase(node.key().second);
      node.mapped()();
    }
    now_ = std::max(now_, until);
  }
  bool Idle() const { return tasks_.size() == background_.size(); }

 private:
  Millis now_ = 0;
  TimerId next_id_ = 1;
  std::map<std::pair<Millis, TimerId>, std::function<void()>> tasks_;
  std::set<TimerId> background_;
};

// Every event as "<ms> <what>", e.g. "100 Complete 1 0".
class RecordingEvents : public CharacterServiceEvents {
 public:
  explicit RecordingEvents(const Scheduler& clock) : clock_(clock) {}
  void RequestStart(RequestId request) override { Add("Start " + std::to_string(request)); }
  void RequestComplete(RequestId request, int status) override {
    Add("Complete " + std::to_string(request) + " " + std::to_string(status));
    if (on_complete) on_complete(request, status);
  }
  void Bookmark(int32_t id, const std::string&, RequestId) override {
    Add("Bookmark " + std::to_string(id));
  }
  void Command(const UserInput& input) override { Add("Command " + input.name); }
  void Show(const std::string& id, int cause) override {
    Add("Show " + id + " " + std::to_string(cause));
  }
  void Hide(const std::string& id, int cause) override {
    Add("Hide " + id + " " + std::to_string(cause));
  }
  void IdleStart(const std::string& id) override { Add("IdleStart " + id); }
  void IdleComplete(const std::string& id) override { Add("IdleComplete " + id); }
  void ListenStart(const std::string& id) override { Add("ListenStart " + id); }
  void ListenComplete(const std::string& id, int cause) override {
    Add("ListenComplete " + id + " " + std::to_string(cause));
  }
  void Click(const std::string& id, int button, int shift, int x, int y) override {
    AddMouse("Click", id, {button, shift, x, y});
  }
  void DblClick(const std::string& id, int button, int shift, int x, int y) override {
    AddMouse("DblClick", id, {button, shift, x, y});
  }
  void DragStart(const std::string& id, int button, int shift, int x, int y) override {
    AddMouse("DragStart", id, {button, shift, x, y});
  }
  void DragComplete(const std::string& id, int button, int shift, int x, int y) override {
    AddMouse("DragComplete", id, {button, shift, x, y});
  }
  void Move(const std::string& id, int x, int y, int cause) override {
    AddMouse("Move", id, {x, y, cause});
  }
  // Only with `animations` set: "Anim <name> <cause>", "Sound <name> <frame>".
  void AnimationStart(const std::string&, const std::string& name, AnimationCause cause) override {
    if (animations) Add("Anim " + name + " " + AnimationCauseName(cause));
  }
  void SoundStart(const std::string&, const std::string& name, int frame, int) override {
    if (animations) Add("Sound " + name + " " + std::to_string(frame));
  }
  bool animations = false;

  std::vector<std::string> log;
  // Lets a test act like the program's handler.
  std::function<void(RequestId, int)> on_complete;

  // The time of the first entry equal to `what`, or -1.
  int64_t TimeOf(const std::string& what) const {
    for (const auto& entry : log) {
      const size_t space = entry.find(' ');
      if (entry.substr(space + 1) == what) return std::stoll(entry.substr(0, space));
    }
    return -1;
  }

 private:
  void Add(std::string what) { log.push_back(std::to_string(clock_.Now()) + " " + what); }
  void AddMouse(const char* what, const std::string& id, std::initializer_list<int> args) {
    std::string entry = std::string(what) + " " + id;
    for (int arg : args) entry += " " + std::to_string(arg);
    Add(entry);
  }
  const Scheduler& clock_;
};

inline CharacterModel ModelOf(const CharacterDescription& description) {
  CharacterModel model;
  model.localized = description.info.localized;
  model.width = description.info.width;
  model.height = description.info.height;
  if (description.info.voice.present) model.voice_speed = description.info.voice.speed;
  model.balloon = description.info.balloon;
  model.states = description.info.states;
  model.animations = description.animations;
  model.sounds = description.sounds;
  return model;
}

inline CharacterModel PipModel() { return ModelOf(PipCharacter()); }

// Frame time of an animation played straight through, in ms.
inline int64_t StraightMillis(const CharacterModel& model, const std::string& name) {
  int64_t total = 0;
  for (const Frame& frame : model.FindAnimation(name)->frames) total += FrameMillis(frame);
  return total;
}

// An engine on a test clock with Pip loaded as "Pip" (and "Pal" when asked).
struct EngineFixture {
  explicit EngineFixture(uint32_t seed = 1, bool two = false)
      : engine(clock, MakeOptions(seed),
               [](const std::string&) -> CharacterModel { return PipModel(); }),
        events(clock) {
    engine.SetEvents(&events);
    engine.LoadModel("Pip", PipModel());
    if (two) engine.LoadModel("Pal", PipModel());
  }
  static CharacterEngineOptions MakeOptions(uint32_t seed) {
    CharacterEngineOptions options;
    options.seed = seed;
    options.sound_length_ms = WaveFileMillis;
    options.sound_effect_ms = WaveBytesMillis;
    return options;
  }

  TestScheduler clock;
  CharacterEngine engine;
  RecordingEvents events;
};

}  // namespace zarn::test
