#include "platform/speech/EspeakSpeech.h"

#include <algorithm>
#include <iostream>

#include "platform/speech/EspeakVoice.h"
#include "platform/speech/SsmlTranslator.h"

namespace zarn {

SpokenSpeech SpeakItems(const std::vector<SpeechItem>& items, const SpeechVoice& voice,
                        bool keep_audio, const std::vector<SpeechItem>* last) {
  const EspeakVoice chosen = ChooseVoice(voice);
  const SsmlText text = TranslateSpeech(items, chosen, last);
  SpokenSpeech spoken;
  spoken.audio = EspeakSynthesizer::Instance().Synthesize(text.ssml, chosen, keep_audio);
  // The model gives the words and bookmarks; espeak-ng gives their times.
  spoken.plan = PlanSpeech(items, voice.words_per_minute, SpeechMode::kSpeak);
  SpeechPlan& plan = spoken.plan;

  std::vector<int64_t> word_ms(text.words.size(), -1);
  size_t next_mark = 0;
  std::vector<bool> mark_seen(plan.bookmarks.size(), false);
  for (SpeechEvent& event : spoken.audio.events) {
    const int64_t ms = SynthesizedSpeech::SampleToMs(event.sample);
    if (event.kind == SpeechEvent::Kind::kWord) {
      for (size_t w = 0; w < text.words.size(); ++w) {
        if (event.text_position >= text.words[w].begin && event.text_position < text.words[w].end) {
          event.word = static_cast<int32_t>(w);
          if (word_ms[w] < 0) word_ms[w] = ms;
          break;
        }
      }
    } else if (event.kind == SpeechEvent::Kind::kMark) {
      // Marks come in the order written; a repeated id takes the next one.
      for (size_t m = next_mark; m < plan.bookmarks.size(); ++m) {
        if (plan.bookmarks[m].id == event.mark) {
          plan.bookmarks[m].at_ms = ms;
          mark_seen[m] = true;
          next_mark = m + 1;
          break;
        }
      }
    }
  }
  // Words espeak-ng does not report (a lone dash) show with the one before.
  const size_t count = std::min(plan.words.size(), word_ms.size());
  int64_t previous = 0;
  for (size_t w = 0; w < count; ++w) {
    plan.words[w].at_ms = std::max(previous, word_ms[w]);
    previous = plan.words[w].at_ms;
  }
  plan.total_ms = spoken.audio.TotalMs();
  int64_t mark_previous = 0;
  for (size_t m = 0; m < plan.bookmarks.size(); ++m) {
    if (!mark_seen[m]) plan.bookmarks[m].at_ms = mark_previous;
    mark_previous = plan.bookmarks[m].at_ms;
    plan.total_ms = std::max(plan.total_ms, mark_previous);
  }
  return spoken;
}

SpeechPlanner MakeEspeakPlanner(std::function<void(SpokenSpeech)> keep) {
  return
      [warned = false, keep = std::move(keep)](const std::vector<SpeechItem>& items,
                                               const SpeechVoice& voice, SpeechMode mode) mutable {
        if (mode == SpeechMode::kSpeak) {
          try {
            if (!keep) return SpeakItems(items, voice, false).plan;
            SpokenSpeech spoken = SpeakItems(items, voice, true);
            SpeechPlan plan = spoken.plan;
            keep(std::move(spoken));
            return plan;
          } catch (const SpeechError& e) {
            if (!warned) std::cerr << "zarnplay: " << e.what() << "; speech keeps its own pace\n";
            warned = true;
          }
        }
        return PlanSpeech(items, voice.words_per_minute, mode);
      };
}

namespace {
// Speeches timed but never started are dropped beyond this many.
constexpr size_t kMaxKept = 16;
}  // namespace

SpeechPlanner KeptSpeeches::Planner() {
  return MakeEspeakPlanner([this](SpokenSpeech spoken) {
    kept_.push_back(std::move(spoken));
    if (kept_.size() > kMaxKept) kept_.pop_front();
  });
}

std::optional<SpokenSpeech> KeptSpeeches::Take(const std::string& balloon_text) {
  for (auto it = kept_.begin(); it != kept_.end(); ++it) {
    if (it->plan.balloon_text != balloon_text) continue;
    SpokenSpeech speech = std::move(*it);
    kept_.erase(kept_.begin(), it + 1);
    return speech;
  }
  return std::nullopt;
}

}  // namespace zarn
