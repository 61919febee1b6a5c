#pragma once

#include <QApplication>
#include <memory>
#include <optional>

#include "app/Backends.h"
#include "app/Options.h"
#include "charengine/SpeechTiming.h"
#include "platform/speech/VoiceChoice.h"
#include "ports/Scheduler.h"

namespace zarn {

class CharacterEngine;
class DesktopPresenter;
class HeadlessPlatform;
class Recorder;

// A headless run recorded to options.record_file: drawn off screen, sounds
// mixed, written as the virtual clock moves on.
class Recording : public RunRecording {
 public:
  // Opens the file; throws std::runtime_error with the reason when it cannot.
  Recording(const Options& options, HeadlessPlatform& platform);
  ~Recording() override;

  SpeechPlanner Planner(VoiceRules rules) override;
  void Attach(CharacterEngine& engine) override;
  // The performance ended at `end_ms`: the rest is written and the file closed.
  void Finish(Millis end_ms) override;

 private:
  std::unique_ptr<QApplication> gui_;
  std::unique_ptr<Recorder> recorder_;
  std::unique_ptr<DesktopPresenter> presenter_;
};

// Plays the performance once in a quiet child run (headless, shell actions
// only traced) and gives its length, for a recording's progress bar.
std::optional<Millis> MeasurePerformance(const Options& options);

// What a recording changes in the headless run: its screen is the video's
// frame (1280x720 unless --screen says otherwise), it ends when nothing is
// pending, and shell actions are only traced unless --allow-shell.
void AdjustForRecording(const Options& options, int& width, int& height, bool& idle_exit,
                        bool& dry_run);

}  // namespace zarn
