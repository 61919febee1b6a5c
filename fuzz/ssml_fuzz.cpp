// libFuzzer target over Speak text as espeak-ng is given it: the tags
// become SSML whose text is escaped, and every balloon word's span lies
// inside it.

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "charengine/SpeechTags.h"
#include "platform/speech/SsmlTranslator.h"

using namespace zarn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto items = ParseSpeechTags(fuzz::AsText(data, size));
  const SsmlText text = TranslateSpeech(items, EspeakVoice{}, &items);
  fuzz::Check(text.ssml.find("<speak") == std::string::npos, "no root element of its own");
  size_t chars = 0;
  for (unsigned char c : text.ssml) chars += (c & 0xC0) != 0x80;
  for (const auto& span : text.words) {
    fuzz::Check(
        span.begin >= 1 && span.begin <= span.end && static_cast<size_t>(span.end) <= chars + 1,
        "a word's span lies inside the text");
  }
  return 0;
}
