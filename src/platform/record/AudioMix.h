#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "backend/WaveDecoder.h"

namespace zarn {

// Every sound of a performance on one stereo track: speech, frame sounds,
// wave and MIDI media, each placed at the virtual time it started. Sounds
// can be cut short later (a stop, a new sound on the same voice); what is
// mixed is final up to the time the performance has reached.
class AudioMix {
 public:
  static constexpr int kRate = 48000;

  // Adds frames [from_frame, to_frame) of `audio` starting at `at_ms`;
  // returns the sound's number for Cut. Silent or empty audio adds nothing
  // (and gives a number that cuts nothing).
  int Add(int64_t at_ms, const PcmAudio& audio, int64_t from_frame = 0, int64_t to_frame = -1);
  // The sound stops at `at_ms`.
  void Cut(int sound, int64_t at_ms);
  // Mixes `count` stereo frames starting at frame `first` (at kRate) into
  // `out` (interleaved, 2 * count floats, overwritten) and forgets sounds
  // that ended before `first`.
  void Mix(int64_t first, int count, float* out);

  // Whether any sound was ever added.
  bool Heard() const { return heard_; }

 private:
  struct Sound {
    int64_t start = 0;        // first frame on the track
    std::vector<float> data;  // interleaved stereo at kRate
    int64_t end = 0;          // one past the last frame on the track
  };
  std::map<int, Sound> sounds_;
  int next_ = 1;
  bool heard_ = false;
};

// Resamples to the mix's rate and layout (stereo float); mono is put on
// both sides.
std::vector<float> ResampleForMix(const PcmAudio& audio, int64_t from_frame, int64_t to_frame);

}  // namespace zarn
