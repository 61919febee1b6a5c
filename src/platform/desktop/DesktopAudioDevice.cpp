#include "platform/desktop/DesktopAudioDevice.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <algorithm>
#include <cstdio>
#include <utility>

namespace zarn {

bool SoundOutputPresent() {
  static const bool present = [] {
    const bool any = !QMediaDevices::audioOutputs().isEmpty();
    if (!any) std::fprintf(stderr, "zarnplay: no sound output found; media plays silently\n");
    return any;
  }();
  return present;
}

DesktopAudioDevice::DesktopAudioDevice(Scheduler& scheduler, PcmAudio audio, int64_t length_ms,
                                       SoundStarter starter)
    : scheduler_(scheduler),
      audio_(std::move(audio)),
      length_(std::max<int64_t>(length_ms, 0)),
      starter_(std::move(starter)) {}

DesktopAudioDevice::~DesktopAudioDevice() { Halt(MciMode::kStopped); }

void DesktopAudioDevice::Silence() {
  if (end_timer_) scheduler_.Cancel(*end_timer_);
  end_timer_.reset();
  if (sink_) {
    sink_->stop();
    sink_.reset();
  }
  if (stop_) std::exchange(stop_, nullptr)();
  buffer_.close();
}

int64_t DesktopAudioDevice::PlayingPosition() const {
  return std::min(start_position_ + (scheduler_.Now() - started_at_), end_position_);
}

int32_t DesktopAudioDevice::Play(int64_t from, int64_t to) {
  Halt(MciMode::kStopped);
  position_ = start_position_ = from;
  end_position_ = to;
  if (from >= to) return 0;
  const int64_t rate = audio_.sample_rate;
  const int64_t frames = audio_.Frames();
  const int64_t from_frame = std::min(from * rate / 1000, frames);
  // To the item's end means to the audio's end, however the header rounded.
  const int64_t to_frame = to >= length_ ? frames : std::min(to * rate / 1000, frames);
  int64_t millis = to - from;
  // Silence (nothing decoded) keeps the item's own time.
  if (to >= length_ && rate > 0 && frames > 0) {
    millis = std::max<int64_t>((to_frame - from_frame) * 1000 / rate, 0);
  }
  started_at_ = scheduler_.Now();
  ends_at_ = started_at_ + millis;
  mode_ = MciMode::kPlaying;
  end_timer_ = scheduler_.PostAt(ends_at_, [this] {
    end_timer_.reset();
    Settle();
  });
  if (to_frame > from_frame) StartSound(from_frame, to_frame);
  return 0;
}

void DesktopAudioDevice::StartSound(int64_t from_frame, int64_t to_frame) {
  if (starter_) {
    stop_ = starter_(audio_, from_frame, to_frame);
    return;
  }
  if (!SoundOutputPresent() || audio_.channels == 0) return;
  QAudioFormat format;
  format.setSampleRate(static_cast<int>(audio_.sample_rate));
  format.setChannelCount(audio_.channels);
  format.setSampleFormat(QAudioFormat::Int16);
  const auto* first = audio_.samples.data() + from_frame * audio_.channels;
  const auto bytes = static_cast<qsizetype>((to_frame - from_frame) * audio_.channels * 2);
  stretch_ = QByteArray::fromRawData(reinterpret_cast<const char*>(first), bytes);
  buffer_.setData(stretch_);
  buffer_.open(QIODevice::ReadOnly);
  sink_ = std::make_unique<QAudioSink>(QMediaDevices::defaultAudioOutput(), format);
  sink_->start(&buffer_);
}

}  // namespace zarn
