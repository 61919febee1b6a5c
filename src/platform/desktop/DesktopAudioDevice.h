#pragma once

#include <QBuffer>
#include <QByteArray>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "backend/WaveDecoder.h"
#include "platform/common/MciTransport.h"
#include "platform/common/SoundStarter.h"
#include "ports/Scheduler.h"

class QAudioSink;

namespace zarn {

// Whether a sound output exists; says so on stderr the first time it does not.
bool SoundOutputPresent();

// Decoded audio played through the sound output. The play's end comes from
// the audio's own length on the wall clock, since the sink reports its end
// late; without a sound output the item still runs its time in silence.
class DesktopAudioDevice : public MciTransport {
 public:
  // `length_ms` is the item's length as the file's header gives it; a play
  // to there runs to the end of the audio.
  DesktopAudioDevice(Scheduler& scheduler, PcmAudio audio, int64_t length_ms,
                     SoundStarter starter = {});
  ~DesktopAudioDevice() override;
  DesktopAudioDevice(const DesktopAudioDevice&) = delete;
  DesktopAudioDevice& operator=(const DesktopAudioDevice&) = delete;

  std::string_view TimeFormat() const override { return "milliseconds"; }
  int64_t Length() override { return length_; }
  int32_t Play(int64_t from, int64_t to) override;

 private:
  void Silence() override;
  int64_t PlayingPosition() const override;
  bool PlayOver() const override { return scheduler_.Now() >= ends_at_; }
  void StartSound(int64_t from_frame, int64_t to_frame);

  Scheduler& scheduler_;
  PcmAudio audio_;
  int64_t length_;
  Millis started_at_ = 0;
  Millis ends_at_ = 0;
  std::optional<TimerId> end_timer_;
  // The sink reads the stretch being played from the buffer.
  QByteArray stretch_;
  QBuffer buffer_;
  std::unique_ptr<QAudioSink> sink_;
  SoundStarter starter_;
  std::function<void()> stop_;
};

}  // namespace zarn
