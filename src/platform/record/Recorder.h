#pragma once

#include <QColor>
#include <QImage>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/common/SoundStarter.h"
#include "platform/record/AudioMix.h"
#include "platform/record/RecordedScene.h"
#include "platform/record/VideoEncoder.h"
#include "ports/Scheduler.h"

namespace zarn {

class BackdropModel;
class VirtualTimeLoop;

// Behind everything when no backdrop is up (WebM stays see-through).
inline const QColor kRecordingBackground(0x2e, 0x4d, 0x6b);

// Turns a performance in virtual time into a video: whenever the clock
// moves on, every frame due before the new time is drawn from the state as
// it stood (backdrop, characters, balloons), and the sound up to then is
// mixed and encoded with it.
class Recorder {
 public:
  // Opens the file at once, so that a bad name fails before anything plays.
  Recorder(VirtualTimeLoop& loop, const BackdropModel& backdrop, const VideoSettings& settings);
  ~Recorder();

  RecordedScene& Scene() { return scene_; }
  // The slide show on the screen, fitted to a size (null when none): drawn
  // over the backdrop and under the characters.
  void SetSlides(std::function<QImage(QSize)> slides) { slides_ = std::move(slides); }
  // Wave and MIDI media play into the mix through this.
  SoundStarter MediaSound();
  // Draws and encodes up to `end_ms` (at least one frame) and closes the
  // file; the video lasts the whole frames that cover the performance.
  // Throws std::runtime_error when the file could not be written.
  void Finish(Millis end_ms);

  int64_t FramesWritten() const { return next_frame_; }
  // How long the performance is expected to last, for the progress bar.
  void ExpectLength(Millis length_ms) { expected_ms_ = length_ms; }
  // Whether anyone sees the progress as it goes (stderr is a terminal).
  bool Watched() const { return terminal_; }
  // Says how far the recording is, on stderr (on a terminal, in place).
  void ShowProgress(bool final);

 private:
  void CatchUp(Millis until);
  void Draw(Millis at);
  void PaintBackdrop(QPainter& painter);
  Millis FrameTime(int64_t frame) const;

  VirtualTimeLoop& loop_;
  const BackdropModel& backdrop_;
  VideoSettings settings_;
  AudioMix mix_;
  RecordedScene scene_;
  VideoEncoder encoder_;
  QImage canvas_;
  std::map<std::string, QImage> pictures_;
  std::function<QImage(QSize)> slides_;
  int64_t next_frame_ = 0;
  int64_t next_sample_ = 0;
  std::vector<float> sound_;
  std::string failure_;  // why the recording stopped, if it did
  bool terminal_ = false;
  Millis expected_ms_ = 0;
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::time_point shown_at_;
};

}  // namespace zarn
