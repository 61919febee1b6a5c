#include "platform/speech/FliteSynthesizer.h"

#include <flite/flite.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/SharedLibrary.h"
#include "platform/speech/FliteVoices.h"

namespace zarn {
namespace {

// flite's calls and voices, loaded on first use: relocating the voices' data
// costs every start tens of milliseconds, and most runs never speak by flite.
struct FliteLibrary {
  decltype(&::item_daughter) item_daughter = nullptr;
  decltype(&::item_as) item_as = nullptr;
  decltype(&::item_next) item_next = nullptr;
  decltype(&::item_prev) item_prev = nullptr;
  decltype(&::item_feat_float) item_feat_float = nullptr;
  decltype(&::item_feat_string) item_feat_string = nullptr;
  decltype(&::relation_head) relation_head = nullptr;
  decltype(&::relation_tail) relation_tail = nullptr;
  decltype(&::utt_relation) utt_relation = nullptr;
  decltype(&::utt_wave) utt_wave = nullptr;
  decltype(&::feat_set_float) feat_set_float = nullptr;
  decltype(&::flite_init) flite_init = nullptr;
  decltype(&::flite_synth_text) flite_synth_text = nullptr;
  decltype(&::delete_utterance) delete_utterance = nullptr;
};

SharedLibrary Open(const std::string& file) {
  return SharedLibrary(file.c_str(), "flite",
                       [](const std::string& message) { throw SpeechError(message); });
}

const FliteLibrary& Flite() {
  static const FliteLibrary api = [] {
    const SharedLibrary library = Open("libflite.so.1");
    FliteLibrary loaded;
    library.Bind("item_daughter", loaded.item_daughter);
    library.Bind("item_as", loaded.item_as);
    library.Bind("item_next", loaded.item_next);
    library.Bind("item_prev", loaded.item_prev);
    library.Bind("item_feat_float", loaded.item_feat_float);
    library.Bind("item_feat_string", loaded.item_feat_string);
    library.Bind("relation_head", loaded.relation_head);
    library.Bind("relation_tail", loaded.relation_tail);
    library.Bind("utt_relation", loaded.utt_relation);
    library.Bind("utt_wave", loaded.utt_wave);
    library.Bind("feat_set_float", loaded.feat_set_float);
    library.Bind("flite_init", loaded.flite_init);
    library.Bind("flite_synth_text", loaded.flite_synth_text);
    library.Bind("delete_utterance", loaded.delete_utterance);
    return loaded;
  }();
  return api;
}

// A voice's library, registered once; nullptr for a name we do not ship.
cst_voice* RegisterVoice(const std::string& name) {
  if (name != "kal" && name != "awb" && name != "rms" && name != "slt") return nullptr;
  using Register = cst_voice* (*)(const char*);
  Register register_voice = nullptr;
  Open("libflite_cmu_us_" + name + ".so.1")
      .Bind(("register_cmu_us_" + name).c_str(), register_voice);
  return register_voice(nullptr);
}

struct PhoneIpa {
  const char* phone;
  const char* ipa;
};

// flite's US English phone set in IPA, so that one table gives the mouths.
constexpr PhoneIpa kPhones[] = {
    {"aa", "ɑ"},  {"ae", "æ"}, {"ah", "ʌ"},  {"ao", "ɔ"}, {"aw", "aʊ"}, {"ax", "ə"},  {"axr", "ɚ"},
    {"ay", "aɪ"}, {"b", "b"},  {"ch", "tʃ"}, {"d", "d"},  {"dh", "ð"},  {"eh", "ɛ"},  {"er", "ɝ"},
    {"ey", "eɪ"}, {"f", "f"},  {"g", "ɡ"},   {"hh", "h"}, {"ih", "ɪ"},  {"iy", "i"},  {"jh", "dʒ"},
    {"k", "k"},   {"l", "l"},  {"m", "m"},   {"n", "n"},  {"ng", "ŋ"},  {"ow", "oʊ"}, {"oy", "ɔɪ"},
    {"p", "p"},   {"r", "ɹ"},  {"s", "s"},   {"sh", "ʃ"}, {"t", "t"},   {"th", "θ"},  {"uh", "ʊ"},
    {"uw", "u"},  {"v", "v"},  {"w", "w"},   {"y", "j"},  {"z", "z"},   {"zh", "ʒ"},  {"pau", "_"},
};

// A Token item's first segment, through its first word's first syllable.
const cst_item* FirstSegment(const cst_item* token) {
  const cst_item* word = Flite().item_daughter(Flite().item_as(token, "Token"));
  for (; word != nullptr; word = Flite().item_next(word)) {
    const cst_item* syllable = Flite().item_daughter(Flite().item_as(word, "SylStructure"));
    const cst_item* segment = syllable ? Flite().item_daughter(syllable) : nullptr;
    if (segment != nullptr) return Flite().item_as(segment, "Segment");
  }
  return nullptr;
}

float SegmentStart(const cst_item* segment) {
  const cst_item* before = Flite().item_prev(segment);
  return before ? Flite().item_feat_float(before, "end") : 0.0f;
}

bool IsPause(const cst_item* segment) {
  return segment != nullptr && std::strcmp(Flite().item_feat_string(segment, "name"), "pau") == 0;
}

// Which of our tokens each of flite's Token items came from: flite drops
// punctuation from a token's name and may split one of ours in two.
std::vector<int32_t> TokenWords(const cst_utterance* utt, const FlitePiece& piece) {
  std::vector<std::string> ours;
  for (size_t i = 0; i < piece.text.size();) {
    const size_t end = std::min(piece.text.find(' ', i), piece.text.size());
    if (end > i) ours.push_back(piece.text.substr(i, end - i));
    i = end + 1;
  }
  std::vector<int32_t> words;
  size_t index = 0;
  size_t used = 0;
  for (const cst_item* token = Flite().relation_head(Flite().utt_relation(utt, "Token"));
       token != nullptr; token = Flite().item_next(token)) {
    const std::string name = Flite().item_feat_string(token, "name");
    for (size_t tried = index; tried < ours.size(); ++tried) {
      const size_t at = ours[tried].find(name, tried == index ? used : 0);
      if (at == std::string::npos) continue;
      index = tried;
      used = at + name.size();
      break;
    }
    words.push_back(index < piece.words.size() ? piece.words[index] : -1);
  }
  return words;
}

// Linear resampling to the speech clock: flite's voices speak at 8 or 16 kHz.
std::vector<int16_t> Resample(const std::vector<int16_t>& in, int rate, int64_t count) {
  std::vector<int16_t> out(static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) {
    const double at = static_cast<double>(i) * rate / SynthesizedSpeech::kSampleRate;
    const auto left = static_cast<size_t>(at);
    const double frac = at - static_cast<double>(left);
    const double a = left < in.size() ? in[left] : 0;
    const double b = left + 1 < in.size() ? in[left + 1] : a;
    out[static_cast<size_t>(i)] = static_cast<int16_t>(std::lround(a + (b - a) * frac));
  }
  return out;
}

}  // namespace

MouthShape MouthForFlitePhone(const std::string& phone) {
  for (const PhoneIpa& entry : kPhones) {
    if (phone == entry.phone) return MouthForPhoneme(entry.ipa);
  }
  return MouthShape::kWide2;
}

FliteSynthesizer& FliteSynthesizer::Instance() {
  static FliteSynthesizer instance;
  return instance;
}

cst_voice* FliteSynthesizer::Voice(const std::string& name) {
  if (!started_) {
    Flite().flite_init();
    started_ = true;
  }
  cst_voice*& voice = voices_[name];
  if (voice != nullptr) return voice;
  voice = RegisterVoice(name);
  if (voice == nullptr) {
    voices_.erase(name);
    throw SpeechError("flite has no voice '" + name + "' (see --list-voices)");
  }
  return voice;
}

SynthesizedSpeech FliteSynthesizer::Synthesize(const std::vector<FlitePiece>& pieces,
                                               const std::string& name, bool keep_audio) {
  cst_voice* voice = Voice(name);
  const FliteVoiceInfo* info = FindFliteVoice(name);
  // kal is made of diphones and takes a target pitch; the others scale theirs.
  const bool diphone = name == "kal";
  SynthesizedSpeech speech;
  std::vector<int16_t> native;  // at the voice's own rate
  int rate = diphone ? 8000 : 16000;
  std::vector<std::pair<int64_t, SpeechEvent>> events;  // at native samples
  MouthShape mouth = MouthShape::kClosed;
  const auto add_mouth = [&](int64_t at, MouthShape shape) {
    if (shape == mouth) return;
    mouth = shape;
    SpeechEvent event;
    event.kind = SpeechEvent::Kind::kMouth;
    event.mouth = shape;
    events.emplace_back(at, event);
  };
  size_t last_text = pieces.size();
  bool any_text = false;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (pieces[i].kind == FlitePiece::Kind::kText) last_text = i;
  }
  for (size_t i = 0; i < pieces.size(); ++i) {
    const FlitePiece& piece = pieces[i];
    const auto here = static_cast<int64_t>(native.size());
    if (piece.kind == FlitePiece::Kind::kMark) {
      SpeechEvent event;
      event.kind = SpeechEvent::Kind::kMark;
      event.mark = piece.mark;
      events.emplace_back(here, event);
      continue;
    }
    if (piece.kind == FlitePiece::Kind::kPause) {
      add_mouth(here, MouthShape::kClosed);
      native.resize(native.size() + static_cast<size_t>(piece.pause_ms * rate / 1000), 0);
      continue;
    }
    Flite().feat_set_float(voice->features, "duration_stretch", static_cast<float>(piece.stretch));
    if (diphone) {
      Flite().feat_set_float(voice->features, "int_f0_target_mean",
                             static_cast<float>(info->mean_hz * piece.pitch_scale));
    } else {
      Flite().feat_set_float(voice->features, "f0_shift", static_cast<float>(piece.pitch_scale));
    }
    cst_utterance* utt = Flite().flite_synth_text(piece.text.c_str(), voice);
    if (utt == nullptr) throw SpeechError("flite could not speak the text");
    const cst_wave* wave = Flite().utt_wave(utt);
    if (wave == nullptr || wave->num_samples <= 0) {
      Flite().delete_utterance(utt);
      continue;
    }
    rate = wave->sample_rate;
    const auto to_sample = [rate](float seconds) {
      return static_cast<int64_t>(std::llround(static_cast<double>(seconds) * rate));
    };
    // Between the pieces of one sentence its silences are left out, so that
    // a tag mid-sentence does not break it up.
    const cst_item* first = Flite().relation_head(Flite().utt_relation(utt, "Segment"));
    const cst_item* last = Flite().relation_tail(Flite().utt_relation(utt, "Segment"));
    int64_t from =
        any_text && IsPause(first) ? to_sample(Flite().item_feat_float(first, "end")) : 0;
    int64_t to = i != last_text && IsPause(last) && last != first
                     ? to_sample(SegmentStart(last))
                     : static_cast<int64_t>(wave->num_samples);
    to = std::clamp<int64_t>(to, 0, wave->num_samples);
    from = std::clamp<int64_t>(from, 0, to);
    const int64_t offset = here - from;
    for (const cst_item* segment = first; segment != nullptr;
         segment = Flite().item_next(segment)) {
      const int64_t start = to_sample(SegmentStart(segment));
      if (start < from || start >= to) continue;
      add_mouth(offset + start, MouthForFlitePhone(Flite().item_feat_string(segment, "name")));
    }
    const std::vector<int32_t> token_words = TokenWords(utt, piece);
    size_t t = 0;
    for (const cst_item* token = Flite().relation_head(Flite().utt_relation(utt, "Token"));
         token != nullptr; token = Flite().item_next(token), ++t) {
      const cst_item* segment = FirstSegment(token);
      if (segment == nullptr || t >= token_words.size() || token_words[t] < 0) continue;
      SpeechEvent event;
      event.kind = SpeechEvent::Kind::kWord;
      event.word = token_words[t];
      events.emplace_back(offset + std::max(from, to_sample(SegmentStart(segment))), event);
    }
    const double gain = std::clamp(piece.volume, 0.0, 1.0);
    for (int64_t s = from; s < to; ++s) {
      native.push_back(static_cast<int16_t>(std::lround(wave->samples[s] * gain)));
    }
    Flite().delete_utterance(utt);
    any_text = true;
  }
  add_mouth(static_cast<int64_t>(native.size()), MouthShape::kClosed);
  const auto to_speech = [rate](int64_t sample) {
    return sample * SynthesizedSpeech::kSampleRate / rate;
  };
  speech.sample_count = to_speech(static_cast<int64_t>(native.size()));
  if (keep_audio) speech.samples = Resample(native, rate, speech.sample_count);
  std::stable_sort(events.begin(), events.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [at, event] : events) {
    event.sample = to_speech(at);
    speech.events.push_back(event);
  }
  return speech;
}

}  // namespace zarn
