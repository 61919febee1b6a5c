#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/speech/EspeakSynthesizer.h"

struct cst_voice_struct;

namespace zarn {

// One step of what flite is asked to say: words with their settings, a
// silence or a bookmark.
struct FlitePiece {
  enum class Kind { kText, kPause, kMark };
  Kind kind = Kind::kText;
  std::string text;            // text: blank-separated tokens
  std::vector<int32_t> words;  // text: the balloon word of each token, -1 for none
  int64_t pause_ms = 0;
  int32_t mark = 0;
  double stretch = 1.0;      // durations times this: above 1 is slower
  double pitch_scale = 1.0;  // the voice's pitch times this
  double volume = 1.0;       // 0..1
};

// The process's flite: voices registered on first use. Word events carry
// their balloon word; mouths come from the phones' times.
class FliteSynthesizer {
 public:
  static FliteSynthesizer& Instance();
  // Throws SpeechError for a voice we do not have.
  SynthesizedSpeech Synthesize(const std::vector<FlitePiece>& pieces, const std::string& voice,
                               bool keep_audio = true);

 private:
  FliteSynthesizer() = default;
  cst_voice_struct* Voice(const std::string& name);

  bool started_ = false;
  std::map<std::string, cst_voice_struct*> voices_;
};

// The mouth for one of flite's US English phones ("aa", "ch", "pau", ...).
MouthShape MouthForFlitePhone(const std::string& phone);

}  // namespace zarn
