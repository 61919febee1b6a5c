#include "platform/desktop/DesktopMidiDevice.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <algorithm>

#include "platform/desktop/DesktopAudioDevice.h"

namespace zarn {
namespace {

constexpr int64_t kRate = MidiStream::kRate;
constexpr int64_t kBytesPerFrame = 4;
constexpr Millis kPaceMillis = 100;

// What the sink reads from: the synthesizer, a pull at a time.
class SynthSource : public QIODevice {
 public:
  explicit SynthSource(DesktopMidiDevice& device) : device_(device) {}
  bool isSequential() const override { return true; }
  qint64 bytesAvailable() const override {
    return (int64_t{1} << 20) + QIODevice::bytesAvailable();
  }

 protected:
  qint64 readData(char* data, qint64 max) override { return device_.Pull(data, max); }
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  DesktopMidiDevice& device_;
};

}  // namespace

DesktopMidiDevice::DesktopMidiDevice(Scheduler& scheduler, std::unique_ptr<MidiStream> stream,
                                     int64_t length_ms, int64_t limit_ms)
    : scheduler_(scheduler),
      stream_(std::move(stream)),
      length_(std::max<int64_t>(length_ms, 0)),
      limit_frames_(std::max<int64_t>(limit_ms, 0) * kRate / 1000) {}

DesktopMidiDevice::~DesktopMidiDevice() { Halt(MciMode::kStopped); }

void DesktopMidiDevice::Silence() {
  for (auto* timer : {&end_timer_, &pace_timer_}) {
    if (*timer) scheduler_.Cancel(**timer);
    timer->reset();
  }
  if (sink_) {
    sink_->stop();
    sink_.reset();
  }
  source_.reset();
}

int64_t DesktopMidiDevice::PlayingPosition() const {
  return std::min(start_position_ + (scheduler_.Now() - started_at_), end_position_);
}

int32_t DesktopMidiDevice::Play(int64_t from, int64_t to) {
  Halt(MciMode::kStopped);
  position_ = start_position_ = from;
  end_position_ = to;
  if (from >= to) return 0;
  // Going on from where the synthesizer is (a resume drops what the sink
  // had not played yet); anywhere else starts the song again and skips.
  const int64_t from_frame = from * kRate / 1000;
  const int64_t at = stream_->Frame();
  if (stream_->Finished() || at < from_frame || at - from_frame > kRate) {
    stream_->Restart();
    stream_->SkipTo(from_frame);
  }
  start_frame_ = stream_->Frame();
  end_frame_ = to >= length_ ? limit_frames_ : std::min(to * kRate / 1000, limit_frames_);
  started_at_ = scheduler_.Now();
  ends_at_.reset();
  mode_ = MciMode::kPlaying;
  if (SoundOutputPresent()) {
    QAudioFormat format;
    format.setSampleRate(static_cast<int>(kRate));
    format.setChannelCount(2);
    format.setSampleFormat(QAudioFormat::Int16);
    source_ = std::make_unique<SynthSource>(*this);
    source_->open(QIODevice::ReadOnly);
    sink_ = std::make_unique<QAudioSink>(QMediaDevices::defaultAudioOutput(), format);
    sink_->start(source_.get());
  }
  Pace();
  return 0;
}

int64_t DesktopMidiDevice::Pull(char* out, int64_t bytes) {
  if (mode_ != MciMode::kPlaying || ends_at_) return 0;
  const int64_t wanted = std::min(bytes / kBytesPerFrame, end_frame_ - stream_->Frame());
  const size_t got =
      wanted > 0 ? stream_->Render(reinterpret_cast<int16_t*>(out), static_cast<size_t>(wanted))
                 : 0;
  if (static_cast<int64_t>(got) < wanted || stream_->Frame() >= end_frame_) NoteEnd();
  return static_cast<int64_t>(got) * kBytesPerFrame;
}

void DesktopMidiDevice::Pace() {
  pace_timer_.reset();
  if (mode_ != MciMode::kPlaying || ends_at_) return;
  // The clock's frame; a sink that has fallen a second behind (or none at
  // all) does not hold the song back.
  const int64_t due = start_frame_ + (scheduler_.Now() - started_at_) * kRate / 1000;
  if (!sink_ || stream_->Frame() < due - kRate) stream_->SkipTo(std::min(due, end_frame_));
  if (stream_->Finished() || stream_->Frame() >= end_frame_) {
    NoteEnd();
    return;
  }
  pace_timer_ = scheduler_.PostAfter(kPaceMillis, [this] { Pace(); });
}

void DesktopMidiDevice::NoteEnd() {
  if (ends_at_) return;
  // The play lasts as long as the sound rendered for it.
  ends_at_ = started_at_ + (stream_->Frame() - start_frame_) * 1000 / kRate;
  end_timer_ = scheduler_.PostAt(*ends_at_, [this] {
    end_timer_.reset();
    Settle();
  });
}

}  // namespace zarn
