#pragma once

#include <string_view>

namespace zarn {

// The seven mouth shapes a character file may draw for speech.
enum class MouthShape {
  kClosed = 0,
  kWide1 = 1,  // least open
  kWide2 = 2,
  kWide3 = 3,
  kWide4 = 4,  // most open
  kMedium = 5,
  kNarrow = 6,
};

// The mouth for a phoneme written in IPA (as espeak-ng reports it with IPA
// phoneme names): lips together for silence and b, m, p; wide for open
// vowels; narrow for rounded sounds. Unknown sounds get a middle shape.
MouthShape MouthForPhoneme(std::string_view ipa);

}  // namespace zarn
