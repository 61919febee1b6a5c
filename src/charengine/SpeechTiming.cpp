#include "charengine/SpeechTiming.h"

#include <algorithm>
#include <cmath>

namespace zarn {

std::vector<std::string> SplitWords(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

SpeechPlan PlanSpeech(const std::vector<SpeechItem>& items, int base_wpm, SpeechMode mode) {
  SpeechPlan plan;
  base_wpm = std::clamp(base_wpm, kMinWordsPerMinute, kMaxWordsPerMinute);
  int wpm = base_wpm;
  // Fractions of a millisecond add up over long texts, so time is kept exact
  // and rounded only where it is reported.
  double now = 0;
  auto at = [&] { return static_cast<int64_t>(std::llround(now)); };
  auto speak = [&](const std::string& spoken, const std::string& shown) {
    const auto spoken_words = SplitWords(spoken);
    if (!shown.empty()) plan.words.push_back({at(), shown});
    now += 60000.0 / wpm * static_cast<double>(spoken_words.size());
  };
  for (const SpeechItem& item : items) {
    if (!item.tag) {
      for (const std::string& word : SplitWords(item.text)) speak(word, word);
      plan.balloon_text += item.text;
      continue;
    }
    const SpeechTag& tag = *item.tag;
    if (!tag.valid) continue;
    if (tag.kind == SpeechTagKind::kMrk) {
      plan.bookmarks.push_back({at(), static_cast<int32_t>(*tag.number)});
      continue;
    }
    if (mode == SpeechMode::kThink) continue;
    if (mode == SpeechMode::kSoundFile && tag.kind != SpeechTagKind::kMap) continue;
    switch (tag.kind) {
      case SpeechTagKind::kMap:
        speak(tag.text, tag.shown);
        plan.balloon_text += tag.shown;
        break;
      case SpeechTagKind::kSpd:
        wpm = static_cast<int>(
            std::clamp<int64_t>(*tag.number, kMinWordsPerMinute, kMaxWordsPerMinute));
        break;
      case SpeechTagKind::kPau:
        now += static_cast<double>(std::clamp<int64_t>(*tag.number, 0, kMaxPauseMs));
        break;
      case SpeechTagKind::kRst:
        wpm = base_wpm;
        break;
      default:
        break;
    }
  }
  plan.total_ms = at();
  return plan;
}

void StretchSpeech(SpeechPlan& plan, int64_t duration_ms) {
  const int64_t spoken = plan.total_ms;
  auto fit = [&](int64_t at) {
    if (spoken <= 0) return int64_t{0};
    return static_cast<int64_t>(
        std::llround(static_cast<double>(at) * static_cast<double>(duration_ms) / spoken));
  };
  for (auto& mark : plan.bookmarks) mark.at_ms = fit(mark.at_ms);
  for (auto& word : plan.words) word.at_ms = fit(word.at_ms);
  plan.total_ms = duration_ms;
}

}  // namespace zarn
