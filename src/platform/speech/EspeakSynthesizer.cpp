#include "platform/speech/EspeakSynthesizer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/speech/EspeakLibrary.h"

namespace zarn {
namespace {

// Where the callback writes: one sentence's output, handed to espeak-ng as
// the text's user data, which every event list carries back.
struct SynthTarget {
  SynthesizedSpeech& output;
  bool keep_audio = true;
  MouthShape mouth = MouthShape::kClosed;
};

int64_t MsToSample(int ms) {
  return static_cast<int64_t>(ms) * SynthesizedSpeech::kSampleRate / 1000;
}

int OnSynth(short* wav, int count, espeak_EVENT* events) {
  auto* target = events != nullptr ? static_cast<SynthTarget*>(events->user_data) : nullptr;
  if (target == nullptr) return 1;
  SynthesizedSpeech& output = target->output;
  if (wav != nullptr && count > 0) {
    if (target->keep_audio) output.samples.insert(output.samples.end(), wav, wav + count);
    output.sample_count += count;
  }
  for (espeak_EVENT* e = events; e != nullptr && e->type != espeakEVENT_LIST_TERMINATED; ++e) {
    SpeechEvent event;
    event.sample = MsToSample(e->audio_position);
    switch (e->type) {
      case espeakEVENT_WORD:
        // After earlier texts espeak-ng may end with an empty word.
        if (e->length <= 0 || e->text_position <= 0) continue;
        event.kind = SpeechEvent::Kind::kWord;
        event.text_position = e->text_position;
        event.length = e->length;
        break;
      case espeakEVENT_MARK: {
        // Only numbered marks are bookmarks; others are the text's own.
        if (e->id.name == nullptr) continue;
        char* end = nullptr;
        const long id = std::strtol(e->id.name, &end, 10);
        if (end == e->id.name || *end != '\0') continue;
        event.kind = SpeechEvent::Kind::kMark;
        event.mark = static_cast<int32_t>(id);
        break;
      }
      case espeakEVENT_PHONEME: {
        // Phoneme names fill eight bytes without a terminator when long.
        const MouthShape mouth =
            MouthForPhoneme(std::string_view(e->id.string, strnlen(e->id.string, 8)));
        if (mouth == target->mouth) continue;
        target->mouth = mouth;
        event.kind = SpeechEvent::Kind::kMouth;
        event.mouth = mouth;
        break;
      }
      default:
        continue;
    }
    output.events.push_back(event);
  }
  return 0;
}

}  // namespace

EspeakSynthesizer& EspeakSynthesizer::Instance() {
  static EspeakSynthesizer instance;
  return instance;
}

void EspeakSynthesizer::Start() {
  if (started_) {
    if (std::this_thread::get_id() != owner_) {
      throw SpeechError("espeak-ng is used from a second thread; it serves one thread only");
    }
    return;
  }
  if (!start_error_.empty()) throw SpeechError(start_error_);
  const int rate = Espeak().Initialize(
      AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr,
      espeakINITIALIZE_PHONEME_EVENTS | espeakINITIALIZE_PHONEME_IPA | espeakINITIALIZE_DONT_EXIT);
  if (rate <= 0) {
    start_error_ =
        "espeak-ng could not start: its voice data was not found (install the espeak-ng-data "
        "package, or set ESPEAK_DATA_PATH to the folder holding espeak-ng-data)";
    throw SpeechError(start_error_);
  }
  if (rate != SynthesizedSpeech::kSampleRate) {
    start_error_ = "espeak-ng speaks at " + std::to_string(rate) + " Hz, not the " +
                   std::to_string(SynthesizedSpeech::kSampleRate) + " Hz expected";
    throw SpeechError(start_error_);
  }
  Espeak().SetSynthCallback(OnSynth);
  started_ = true;
  owner_ = std::this_thread::get_id();
}

void EspeakSynthesizer::UseVoice(const EspeakVoice& voice) {
  // A variant or dialect espeak does not have falls back to the language,
  // then to English, rather than to silence.
  if (Espeak().SetVoiceByName(voice.Name().c_str()) != EE_OK &&
      Espeak().SetVoiceByName(voice.language.c_str()) != EE_OK &&
      Espeak().SetVoiceByName("en") != EE_OK) {
    throw SpeechError("espeak-ng has no voice for '" + voice.Name() + "', nor an English one");
  }
  Espeak().SetParameter(espeakRATE, std::clamp(voice.rate, kEspeakMinRate, kEspeakMaxRate), 0);
  Espeak().SetParameter(espeakPITCH, std::clamp(voice.pitch, 0, 100), 0);
  Espeak().SetParameter(espeakRANGE, 50, 0);
  Espeak().SetParameter(espeakVOLUME, 100, 0);
}

SynthesizedSpeech EspeakSynthesizer::Synthesize(const std::string& ssml, const EspeakVoice& voice,
                                                bool keep_audio) {
  Start();
  UseVoice(voice);
  SynthesizedSpeech speech;
  SynthTarget target{speech, keep_audio};
  const espeak_ERROR result = Espeak().Synth(ssml.c_str(), ssml.size() + 1, 0, POS_CHARACTER, 0,
                                             espeakCHARS_UTF8 | espeakSSML, nullptr, &target);
  if (result == EE_OK) Espeak().Synchronize();
  if (result != EE_OK) throw SpeechError("espeak-ng could not speak the text");
  // Events can run a little ahead of the audio they arrive with.
  std::stable_sort(speech.events.begin(), speech.events.end(),
                   [](const SpeechEvent& a, const SpeechEvent& b) { return a.sample < b.sample; });
  if (target.mouth != MouthShape::kClosed) {
    speech.events.push_back(
        {SpeechEvent::Kind::kMouth, speech.sample_count, 0, 0, -1, 0, MouthShape::kClosed});
  }
  return speech;
}

}  // namespace zarn
