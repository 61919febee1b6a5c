#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "backend/MciInterpreter.h"
#include "backend/MediaProbe.h"
#include "platform/common/MciTransport.h"
#include "ports/Scheduler.h"

namespace zarn {

// A media item that plays on the scheduler's clock: nothing sounds, but its
// mode and position follow time as a real device's would.
class ClockMediaDevice : public MciTransport {
 public:
  // `micros_per_unit`: 1000 when the time format is milliseconds, the frame
  // time when it is frames.
  ClockMediaDevice(Scheduler& scheduler, std::string_view time_format, int64_t length,
                   int64_t micros_per_unit);
  ~ClockMediaDevice() override;
  ClockMediaDevice(const ClockMediaDevice&) = delete;
  ClockMediaDevice& operator=(const ClockMediaDevice&) = delete;

  std::string_view TimeFormat() const override { return time_format_; }
  int64_t Length() override { return length_; }
  int32_t Play(int64_t from, int64_t to) override;

 private:
  void Silence() override;
  int64_t PlayingPosition() const override;
  bool PlayOver() const override { return scheduler_.Now() >= ends_at_; }

  Scheduler& scheduler_;
  std::string time_format_;
  int64_t length_;
  int64_t micros_per_unit_;
  Millis started_at_ = 0;
  Millis ends_at_ = 0;
  std::optional<TimerId> end_timer_;
};

// Opens `path` as `kind`: the file's header must say it is one, and its
// length comes from there. Errors: 296 not valid, 348 unreadable.
MciOpenResult OpenClockMedia(Scheduler& scheduler, MediaKind kind, const std::string& path);

// waveaudio, sequencer, avivideo, and mpegvideo (video or wave, in ms).
void RegisterClockMediaDevices(MciInterpreter& interpreter, Scheduler& scheduler);

}  // namespace zarn
