#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "charengine/SpeechTags.h"
#include "platform/speech/EspeakVoice.h"

namespace zarn {

// Speech tags as the SSML that espeak-ng is given, and where each balloon
// word's spoken text lies in it.
struct SsmlText {
  // Characters (not bytes) of `ssml`, 1-based, as espeak-ng counts text
  // positions; `end` is one past the last.
  struct Span {
    int32_t begin = 0;
    int32_t end = 0;
  };
  std::string ssml;
  // One per word PlanSpeech gives for the same items, in order.
  std::vector<Span> words;
};

// `voice` is what \Rst\ returns to. Pauses in a row add up. \Lst\ speaks `last` (without its
// bookmarks) when given; the engine usually resolves it before. Invalid,
// engine-specific and unknown tags add nothing.
SsmlText TranslateSpeech(const std::vector<SpeechItem>& items, const EspeakVoice& voice,
                         const std::vector<SpeechItem>* last = nullptr);

// Text made safe inside an XML element or attribute.
std::string XmlEscape(const std::string& text);

}  // namespace zarn
