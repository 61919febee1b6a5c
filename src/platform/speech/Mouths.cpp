#include "platform/speech/Mouths.h"

#include <array>

namespace zarn {
namespace {

struct Group {
  MouthShape shape;
  std::array<std::string_view, 20> sounds;
};

// By the phoneme's first sound; affricates are looked up whole first.
constexpr Group kGroups[] = {
    {MouthShape::kClosed, {"_", "b", "m", "p", "f", "v", "ɓ", "ɸ", "ʘ", "β"}},
    {MouthShape::kWide1, {"i", "ɪ", "ɨ", "θ", "ð", "j", "ʋ"}},
    {MouthShape::kWide2, {"t", "d", "s", "z", "k", "g", "ɡ", "n", "l", "ŋ",
                          "ɾ", "ɲ", "x", "ç", "ʔ", "c", "e", "ɣ", "ɫ", "ʎ"}},
    {MouthShape::kWide3, {"ə", "ɛ", "ʌ", "ɐ", "œ", "ɚ", "ɝ", "ɘ", "ɤ"}},
    {MouthShape::kWide4, {"a", "h", "æ", "ħ", "ɜ", "ɦ", "ʕ", "ʖ", "ɑ"}},
    {MouthShape::kMedium, {"tʃ", "dʒ", "ʃ", "ʒ", "ɔ", "ɒ", "ʂ", "ʐ", "ɕ", "ʑ"}},
    {MouthShape::kNarrow,
     {"o", "r", "u", "w", "y", "ø", "ɵ", "ɷ", "ɼ", "ʉ", "ʊ", "ʍ", "ʏ", "ɹ", "ɻ", "ʁ", "ɯ"}},
};

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

MouthShape MouthForPhoneme(std::string_view ipa) {
  // Stress and length marks say nothing of the mouth.
  for (std::string_view mark : {"ˈ", "ˌ"}) {
    while (StartsWith(ipa, mark)) ipa.remove_prefix(mark.size());
  }
  while (!ipa.empty() && ipa.front() == ' ') ipa.remove_prefix(1);
  if (ipa.empty()) return MouthShape::kClosed;
  MouthShape best = MouthShape::kWide2;
  size_t best_length = 0;
  for (const Group& group : kGroups) {
    for (std::string_view sound : group.sounds) {
      if (!sound.empty() && sound.size() > best_length && StartsWith(ipa, sound)) {
        best = group.shape;
        best_length = sound.size();
      }
    }
  }
  return best;
}

}  // namespace zarn
