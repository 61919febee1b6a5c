#pragma once

#include <cstdint>
#include <string>

namespace zarn {

// What a character shows and sounds while the engine plays it. The engine
// only decides what and when; a desktop draws and plays, headless has no
// sink at all. Every call comes from a scheduled task at its time.
class CharacterRenderSink {
 public:
  virtual ~CharacterRenderSink() = default;
  virtual void VisibilityChanged(const std::string& /*id*/, bool /*visible*/) {}
  // `frame` indexes the animation's frames (CharacterModel::animations).
  virtual void FrameShown(const std::string& /*id*/, const std::string& /*animation*/,
                          int /*frame*/) {}
  virtual void SoundPlayed(const std::string& /*id*/, int /*sound_index*/) {}
  // Width or Height was set: the frame is drawn at the new size. Comes
  // straight from the call, not from a task.
  virtual void SizeChanged(const std::string& /*id*/) {}
  // The frame slides from its place to (x, y) over `duration_ms`; 0 puts
  // it there at once, which also halts a slide that was stopped.
  virtual void MoveStarted(const std::string& /*id*/, int /*x*/, int /*y*/,
                           int64_t /*duration_ms*/) {}
  // Speech starts: the request it belongs to (the one the planner timed),
  // the balloon text, the raw tagged text for a speech engine, and whether
  // it is a thought.
  virtual void SpeechStarted(const std::string& /*id*/, int32_t /*request*/,
                             const std::string& /*balloon_text*/,
                             const std::string& /*tagged_text*/, bool /*think*/) {}
  virtual void BalloonWord(const std::string& /*id*/, const std::string& /*word*/) {}
  // A Speak with a sound file: the file speaks, starting now.
  virtual void SpeechSoundStarted(const std::string& /*id*/, const std::string& /*path*/) {}
  virtual void SpeechEnded(const std::string& /*id*/) {}
  // The speech was stopped before its end: the voice goes silent and the
  // balloon goes now; no SpeechEnded follows.
  virtual void SpeechStopped(const std::string& /*id*/) {}
};

}  // namespace zarn
