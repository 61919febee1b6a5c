#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/Options.h"
#include "charengine/SpeechTiming.h"
#include "platform/common/ListenModel.h"
#include "platform/speech/VoiceChoice.h"
#include "ports/Scheduler.h"

namespace zarn {

class CharacterEngine;
class HeadlessPlatform;
struct HeadlessSettings;

// A headless run written to a video as it plays.
class RunRecording {
 public:
  virtual ~RunRecording() = default;
  virtual SpeechPlanner Planner(VoiceRules rules) = 0;
  virtual void Attach(CharacterEngine& engine) = 0;
  // The performance ended at `end_ms`: the rest is written and the file closed.
  virtual void Finish(Millis end_ms) = 0;
};

// The back ends a program carries. The plain `zarnplay` carries none and
// starts the module program for a run that needs one, so that a headless
// run never loads Qt Widgets, FFmpeg or PocketSphinx.
struct Backends {
  // This is the module program: a back end missing here is missing from the
  // build, not merely from this process.
  bool in_module = false;
  std::function<int(const Options&)> desktop;
  // The child that keeps a copied text on the desktop's clipboard.
  std::function<int(int seconds)> clipboard_holder;
  // Screen size, idle end and shell actions as a recording needs them.
  std::function<void(const Options&, HeadlessSettings&)> adjust_for_recording;
  // Throws std::runtime_error with the reason when the file cannot be made.
  std::function<std::unique_ptr<RunRecording>(const Options&, HeadlessPlatform&)> recording;
  // What the current character hears from a wave file; false when it cannot
  // be read.
  using Hearing = std::function<bool(const std::string& character, const std::string& wave)>;
  std::function<Hearing(CharacterEngine&, const ListenModel&)> listening;
  // --service and --say: the character service on the session bus and its
  // one-shot client.
  std::function<int(const Options&)> service;
};

// Which back end a run asks for; empty when it needs none.
std::string BackendNeeded(const Options& options, const Backends& backends);

}  // namespace zarn
