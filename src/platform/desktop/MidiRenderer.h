#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "backend/WaveDecoder.h"

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_player_t;

namespace zarn {

// The General MIDI sound font we play songs with: $ZARN_SOUND_FONT when set,
// else one of the Debian fonts, if one is installed.
std::optional<std::string> FindSoundFont();

// A song's bytes: a standard MIDI file, or one wrapped in RIFF RMID.
std::span<const uint8_t> UnwrapRmid(std::span<const uint8_t> file);

// A song played through the synthesizer a piece at a time, as its sound is
// needed: stereo 16-bit frames at kRate, up to the player's own end (the
// last note and its release).
class MidiStream {
 public:
  static constexpr int kRate = 44100;

  // Nothing, with `error` set, when the sound font or the song cannot be
  // read; the song is then at its start.
  static std::unique_ptr<MidiStream> Open(std::span<const uint8_t> song,
                                          const std::string& sound_font, std::string& error);
  ~MidiStream();
  MidiStream(const MidiStream&) = delete;
  MidiStream& operator=(const MidiStream&) = delete;

  // Back to the song's start, every voice silenced.
  bool Restart();
  // Writes up to `frames` frames; fewer (0 at the end) once the song is over.
  size_t Render(int16_t* out, size_t frames);
  // Renders and drops sound until `frame`.
  void SkipTo(int64_t frame);
  bool Finished() const { return finished_; }
  // Frames since the song's start.
  int64_t Frame() const { return frame_; }

 private:
  MidiStream() = default;
  bool StartPlayer();

  std::vector<uint8_t> song_;
  _fluid_hashtable_t* settings_ = nullptr;
  _fluid_synth_t* synth_ = nullptr;
  _fluid_player_t* player_ = nullptr;
  int64_t frame_ = 0;
  bool finished_ = false;
};

// Renders a whole song, at most `limit_ms` (a recording mixes it whole).
std::optional<PcmAudio> RenderMidi(std::span<const uint8_t> song, const std::string& sound_font,
                                   int64_t limit_ms, std::string& error);

}  // namespace zarn
