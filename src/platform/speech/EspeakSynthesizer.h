#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/speech/EspeakVoice.h"
#include "platform/speech/Mouths.h"

namespace zarn {

// espeak-ng could not start or could not speak; the message says why.
class SpeechError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// espeak-ng hands over audio this many milliseconds at a time.
inline constexpr int kEspeakBufferMs = 100;

// Something that happens at a sample of the audio.
struct SpeechEvent {
  enum class Kind { kWord, kMark, kMouth };
  Kind kind = Kind::kWord;
  int64_t sample = 0;
  int32_t text_position = 0;  // word: 1-based character of the text given
  int32_t length = 0;         // word: in characters
  int32_t word = -1;          // word: the balloon word, when the speaker knows it
  int32_t mark = 0;           // mark: the bookmark id
  MouthShape mouth = MouthShape::kClosed;
  bool operator==(const SpeechEvent&) const = default;
};

// 16-bit mono PCM ready for an audio sink, and what happens when.
struct SynthesizedSpeech {
  static constexpr int kSampleRate = 22050;
  std::vector<int16_t> samples;     // empty when the audio was not kept
  int64_t sample_count = 0;         // kept or not
  std::vector<SpeechEvent> events;  // by sample; mouths only where the shape changes

  static int64_t SampleToMs(int64_t sample) {
    return (sample * 1000 + kSampleRate / 2) / kSampleRate;
  }
  int64_t TotalMs() const { return SampleToMs(sample_count); }
};

// The process's espeak-ng: it keeps one voice and one callback for the
// whole process, so there is one of these, started on first use and used
// from the thread that started it.
class EspeakSynthesizer {
 public:
  static EspeakSynthesizer& Instance();

  // Starts espeak-ng unless it runs; throws SpeechError when it cannot.
  void Start();
  // Speaks SSML (without a <speak> root) in the voice; throws SpeechError.
  SynthesizedSpeech Synthesize(const std::string& ssml, const EspeakVoice& voice,
                               bool keep_audio = true);

 private:
  EspeakSynthesizer() = default;
  void UseVoice(const EspeakVoice& voice);

  bool started_ = false;
  std::string start_error_;
  std::thread::id owner_;
};

}  // namespace zarn
