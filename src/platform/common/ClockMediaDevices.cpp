#include "platform/common/ClockMediaDevices.h"

#include <algorithm>
#include <memory>

#include "backend/MciErrors.h"

namespace zarn {

ClockMediaDevice::ClockMediaDevice(Scheduler& scheduler, std::string_view time_format,
                                   int64_t length, int64_t micros_per_unit)
    : scheduler_(scheduler),
      time_format_(time_format),
      length_(std::max<int64_t>(length, 0)),
      micros_per_unit_(std::max<int64_t>(micros_per_unit, 1)) {}

ClockMediaDevice::~ClockMediaDevice() {
  if (end_timer_) scheduler_.Cancel(*end_timer_);
}

int64_t ClockMediaDevice::PlayingPosition() const {
  const int64_t elapsed = (scheduler_.Now() - started_at_) * 1000 / micros_per_unit_;
  return std::min(start_position_ + elapsed, end_position_);
}

void ClockMediaDevice::Silence() {
  if (end_timer_) scheduler_.Cancel(*end_timer_);
  end_timer_.reset();
}

int32_t ClockMediaDevice::Play(int64_t from, int64_t to) {
  Halt(MciMode::kStopped);
  position_ = from;
  start_position_ = from;
  end_position_ = to;
  if (from >= to) return 0;  // nothing to play: stopped where it is
  started_at_ = scheduler_.Now();
  // Round up so that the last unit has fully played before "stopped".
  const int64_t micros = (to - from) * micros_per_unit_;
  ends_at_ = started_at_ + (micros + 999) / 1000;
  mode_ = MciMode::kPlaying;
  end_timer_ = scheduler_.PostAt(ends_at_, [this] {
    end_timer_.reset();
    Settle();
  });
  return 0;
}

namespace {

// Video devices count frames, the others milliseconds.
MciOpenResult FromProbe(Scheduler& scheduler, const MediaProbeResult& probe, bool in_frames) {
  if (!probe) {
    return {nullptr,
            probe.failure == ProbeFailure::kCannotRead ? mcierr::kFileRead : mcierr::kInvalidFile};
  }
  const MediaInfo& info = *probe.info;
  if (in_frames) {
    return {
        std::make_unique<ClockMediaDevice>(scheduler, "frames", info.frames, info.micros_per_frame),
        0};
  }
  return {std::make_unique<ClockMediaDevice>(scheduler, "milliseconds", info.duration_ms, 1000), 0};
}

}  // namespace

MciOpenResult OpenClockMedia(Scheduler& scheduler, MediaKind kind, const std::string& path) {
  return FromProbe(scheduler, ProbeMediaFile(path, kind), kind == MediaKind::kAvi);
}

void RegisterClockMediaDevices(MciInterpreter& interpreter, Scheduler& scheduler) {
  const auto add = [&](std::string_view type, MediaKind kind) {
    interpreter.RegisterDeviceType(type, [&scheduler, kind](const std::string& path) {
      return OpenClockMedia(scheduler, kind, path);
    });
  };
  add("waveaudio", MediaKind::kWave);
  add("sequencer", MediaKind::kMidi);
  add("avivideo", MediaKind::kAvi);
  // The general-purpose player takes video or wave and counts milliseconds.
  interpreter.RegisterDeviceType("mpegvideo", [&scheduler](const std::string& path) {
    MediaProbeResult probe = ProbeMediaFile(path, MediaKind::kAvi);
    if (!probe && probe.failure == ProbeFailure::kNotValid) {
      probe = ProbeMediaFile(path, MediaKind::kWave);
    }
    return FromProbe(scheduler, probe, false);
  });
}

}  // namespace zarn
