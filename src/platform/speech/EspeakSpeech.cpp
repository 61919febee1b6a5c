#include "platform/speech/EspeakSpeech.h"

#include <algorithm>
#include <iostream>
#include <set>

#include "platform/speech/EspeakVoice.h"
#include "platform/speech/FliteSpeech.h"
#include "platform/speech/SsmlTranslator.h"

namespace zarn {
namespace {

// The model gives the words and bookmarks; the voice's events their times.
SpokenSpeech TimedByEvents(SynthesizedSpeech audio, const std::vector<SpeechItem>& items, int wpm) {
  SpokenSpeech spoken;
  spoken.audio = std::move(audio);
  spoken.plan = PlanSpeech(items, wpm, SpeechMode::kSpeak);
  SpeechPlan& plan = spoken.plan;
  std::vector<int64_t> word_ms(plan.words.size(), -1);
  size_t next_mark = 0;
  std::vector<bool> mark_seen(plan.bookmarks.size(), false);
  for (const SpeechEvent& event : spoken.audio.events) {
    const int64_t ms = SynthesizedSpeech::SampleToMs(event.sample);
    if (event.kind == SpeechEvent::Kind::kWord && event.word >= 0 &&
        static_cast<size_t>(event.word) < word_ms.size()) {
      if (word_ms[event.word] < 0) word_ms[event.word] = ms;
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
  // Words the voice does not report (a lone dash) show with the one before.
  int64_t previous = 0;
  for (size_t w = 0; w < plan.words.size(); ++w) {
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

SpokenSpeech SpeakWithEspeak(const std::vector<SpeechItem>& items, const SpeechVoice& voice,
                             const ChosenVoice& chosen, bool keep_audio,
                             const std::vector<SpeechItem>* last) {
  const EspeakVoice espeak = EspeakVoiceFor(voice, chosen);
  const SsmlText text = TranslateSpeech(items, espeak, last);
  SynthesizedSpeech audio = EspeakSynthesizer::Instance().Synthesize(text.ssml, espeak, keep_audio);
  for (SpeechEvent& event : audio.events) {
    if (event.kind != SpeechEvent::Kind::kWord) continue;
    for (size_t w = 0; w < text.words.size(); ++w) {
      if (event.text_position >= text.words[w].begin && event.text_position < text.words[w].end) {
        event.word = static_cast<int32_t>(w);
        break;
      }
    }
  }
  return TimedByEvents(std::move(audio), items, voice.words_per_minute);
}

SpokenSpeech SpeakWithFlite(const std::vector<SpeechItem>& items, const SpeechVoice& voice,
                            const ChosenVoice& chosen, bool keep_audio,
                            const std::vector<SpeechItem>* last) {
  const std::string name = chosen.name.empty() ? FliteVoiceFor(voice) : chosen.name;
  const FliteVoiceInfo* info = FindFliteVoice(name);
  if (info == nullptr) throw SpeechError("flite has no voice '" + name + "'");
  const int wpm = chosen.rate.value_or(voice.words_per_minute);
  const auto pieces = TranslateForFlite(items, *info, wpm, chosen.pitch_hz.value_or(0), last);
  return TimedByEvents(FliteSynthesizer::Instance().Synthesize(pieces, name, keep_audio), items,
                       voice.words_per_minute);
}

}  // namespace

SpokenSpeech SpeakItems(const std::vector<SpeechItem>& items, const SpeechVoice& voice,
                        bool keep_audio, const std::vector<SpeechItem>* last) {
  return SpeakWithEspeak(items, voice, ChosenVoice{}, keep_audio, last);
}

SpokenSpeech SpeakItems(const std::vector<SpeechItem>& items, const SpeechVoice& voice,
                        const ChosenVoice& chosen, bool keep_audio,
                        const std::vector<SpeechItem>* last) {
  if (chosen.engine == SpeechEngine::kFlite) {
    return SpeakWithFlite(items, voice, chosen, keep_audio, last);
  }
  return SpeakWithEspeak(items, voice, chosen, keep_audio, last);
}

SpeechPlanner MakeVoicePlanner(VoiceRules rules, std::function<void(int32_t, SpokenSpeech)> keep) {
  return [warned = false, told = std::set<std::string>(), rules = std::move(rules),
          keep = std::move(keep)](const std::vector<SpeechItem>& items, const SpeechVoice& voice,
                                  SpeechMode mode, int32_t request) mutable {
    if (mode == SpeechMode::kSpeak) {
      ChosenVoice chosen = ChooseCharacterVoice(voice, rules);
      if (chosen.engine == SpeechEngine::kFlite) {
        if (const std::string language = VoiceLanguage(voice); language != "en") {
          if (told.insert(voice.name + "\n" + language).second) {
            std::cerr << "zarnplay: flite speaks no '" << language << "'; "
                      << (voice.name.empty() ? "the character" : voice.name)
                      << " speaks with espeak-ng\n";
          }
          chosen = ChosenVoice{SpeechEngine::kEspeak, "", chosen.rate, chosen.pitch_hz};
        }
      }
      try {
        if (!keep) return SpeakItems(items, voice, chosen, false).plan;
        SpokenSpeech spoken = SpeakItems(items, voice, chosen, true);
        SpeechPlan plan = spoken.plan;
        keep(request, std::move(spoken));
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

SpeechPlanner KeptSpeeches::Planner(VoiceRules rules) {
  return MakeVoicePlanner(std::move(rules), [this](int32_t request, SpokenSpeech spoken) {
    kept_.emplace_back(request, std::move(spoken));
    if (kept_.size() > kMaxKept) kept_.pop_front();
  });
}

std::optional<SpokenSpeech> KeptSpeeches::Take(int32_t request) {
  for (auto it = kept_.begin(); it != kept_.end(); ++it) {
    if (it->first != request) continue;
    SpokenSpeech speech = std::move(it->second);
    kept_.erase(kept_.begin(), it + 1);
    return speech;
  }
  return std::nullopt;
}

}  // namespace zarn
