#pragma once

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QVideoWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "backend/MediaProbe.h"
#include "platform/common/MciTransport.h"
#include "ports/Scheduler.h"

namespace zarn {

// What the program hears about an open video after its start.
struct DesktopMediaHooks {
  // The player cannot show it: the code is reported as a failed open is.
  std::function<void(int32_t code)> failed;
  // The user closed its window: the item stops as a stop command stops it.
  std::function<void()> closed;
};

// The video's own window; closing it tells the device.
class VideoWindow : public QVideoWidget {
 public:
  std::function<void()> on_close;

 protected:
  void closeEvent(QCloseEvent* event) override;
};

// A video played in a window of its own at the clip's size, counted in
// frames. The player says when it has reached the end; should it stall,
// the item still ends once its time (and a little grace) has passed.
class DesktopVideoDevice : public MciTransport {
 public:
  DesktopVideoDevice(Scheduler& scheduler, const std::string& path, const MediaInfo& info,
                     const DesktopMediaHooks& hooks);
  ~DesktopVideoDevice() override;
  DesktopVideoDevice(const DesktopVideoDevice&) = delete;
  DesktopVideoDevice& operator=(const DesktopVideoDevice&) = delete;

  std::string_view TimeFormat() const override { return "frames"; }
  int64_t Length() override { return frames_; }
  int32_t Play(int64_t from, int64_t to) override;
  int32_t Seek(int64_t to) override;

  const QWidget& Window() const { return window_; }

 private:
  int64_t ToMillis(int64_t frame) const { return frame * micros_per_frame_ / 1000; }
  int64_t ToFrame(int64_t millis) const { return millis * 1000 / micros_per_frame_; }
  void Silence() override { player_.pause(); }
  int64_t PlayingPosition() const override;
  bool PlayOver() const override;
  // Runs a hook from the queue, once this device is out of the way of the
  // signal that asked for it, and only if the device is still open.
  void Later(const std::function<void()>& hook);

  Scheduler& scheduler_;
  int64_t frames_;
  int64_t micros_per_frame_;
  const DesktopMediaHooks& hooks_;
  std::shared_ptr<bool> open_ = std::make_shared<bool>(true);
  VideoWindow window_;
  QAudioOutput audio_;
  QMediaPlayer player_;
  bool failed_ = false;
  // Where the player should start once the media has loaded.
  int64_t pending_start_ms_ = -1;
  Millis deadline_ = 0;
};

}  // namespace zarn
