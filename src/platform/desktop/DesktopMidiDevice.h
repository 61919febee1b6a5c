#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/common/MciTransport.h"
#include "platform/desktop/MidiRenderer.h"
#include "ports/Scheduler.h"

class QAudioSink;
class QIODevice;

namespace zarn {

// A song synthesized as it plays: the sound output pulls the synthesizer's
// frames as it needs them, so nothing is rendered ahead and the program
// never waits for a long song. The play ends when the synthesizer says the
// song is over (last note and release), at most `limit_ms` into it; without
// a sound output the song is rendered at the wall clock's pace unheard.
class DesktopMidiDevice : public MciTransport {
 public:
  DesktopMidiDevice(Scheduler& scheduler, std::unique_ptr<MidiStream> stream, int64_t length_ms,
                    int64_t limit_ms);
  ~DesktopMidiDevice() override;
  DesktopMidiDevice(const DesktopMidiDevice&) = delete;
  DesktopMidiDevice& operator=(const DesktopMidiDevice&) = delete;

  std::string_view TimeFormat() const override { return "milliseconds"; }
  int64_t Length() override { return length_; }
  int32_t Play(int64_t from, int64_t to) override;

  // The sound output's read: frames for the sink, none once the play is over.
  int64_t Pull(char* out, int64_t bytes);

 private:
  void Silence() override;
  int64_t PlayingPosition() const override;
  bool PlayOver() const override { return ends_at_ && scheduler_.Now() >= *ends_at_; }
  // Keeps the synthesizer up with the clock when no sink pulls it.
  void Pace();
  void NoteEnd();

  Scheduler& scheduler_;
  std::unique_ptr<MidiStream> stream_;
  int64_t length_;
  int64_t limit_frames_;
  int64_t start_frame_ = 0;
  int64_t end_frame_ = 0;  // where this play stops rendering
  Millis started_at_ = 0;
  std::optional<Millis> ends_at_;  // known once the synthesizer is done
  std::optional<TimerId> end_timer_;
  std::optional<TimerId> pace_timer_;
  std::unique_ptr<QIODevice> source_;
  std::unique_ptr<QAudioSink> sink_;
};

}  // namespace zarn
