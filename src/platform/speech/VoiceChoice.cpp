#include "platform/speech/VoiceChoice.h"

#include <algorithm>
#include <cstdlib>

#include "platform/speech/EspeakVoice.h"
#include "platform/speech/FliteVoices.h"

namespace zarn {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return out;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

std::optional<int> Number(std::string_view text, int low, int high) {
  const std::string digits(text);
  char* end = nullptr;
  const long value = std::strtol(digits.c_str(), &end, 10);
  if (digits.empty() || *end != '\0' || value < low || value > high) return std::nullopt;
  return static_cast<int>(value);
}

}  // namespace

std::string EngineName(SpeechEngine engine) {
  return engine == SpeechEngine::kFlite ? "flite" : "espeak";
}

std::optional<ChosenVoice> ParseChosenVoice(std::string_view text) {
  ChosenVoice chosen;
  const auto colon = text.find(':');
  const std::string engine = Lower(text.substr(0, colon));
  const std::string name(colon == std::string_view::npos ? "" : text.substr(colon + 1));
  if (engine == "flite") {
    chosen.engine = SpeechEngine::kFlite;
    if (!name.empty() && !IsFliteVoice(name)) return std::nullopt;
  } else if (engine == "espeak" || engine == "espeak-ng") {
    chosen.engine = SpeechEngine::kEspeak;
    if (!name.empty() && !IsEspeakVoiceName(name)) return std::nullopt;
  } else {
    return std::nullopt;
  }
  if (colon != std::string_view::npos && name.empty()) return std::nullopt;
  chosen.name = name;
  return chosen;
}

VoiceMap VoiceMap::Parse(std::string_view text, std::vector<std::string>& errors) {
  VoiceMap map;
  int number = 0;
  while (!text.empty()) {
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++number;
    if (const auto hash = line.find('#'); hash != std::string_view::npos)
      line = line.substr(0, hash);
    line = Trim(line);
    if (line.empty()) continue;
    const auto fail = [&](const std::string& why) {
      errors.push_back("line " + std::to_string(number) + ": " + why);
    };
    const auto equals = line.find('=');
    const std::string_view key = Trim(line.substr(0, equals));
    if (equals == std::string_view::npos || key.empty()) {
      fail("expected NAME = ENGINE[:VOICE] [rate=WPM] [pitch=HZ]");
      continue;
    }
    std::string_view rest = Trim(line.substr(equals + 1));
    std::optional<ChosenVoice> chosen;
    bool good = true;
    while (good && !rest.empty()) {
      const auto blank = rest.find_first_of(" \t");
      const std::string_view word = rest.substr(0, blank);
      rest = Trim(rest.substr(blank == std::string_view::npos ? rest.size() : blank));
      if (!chosen) {
        chosen = ParseChosenVoice(word);
        if (!chosen) fail("unknown voice '" + std::string(word) + "' (see --list-voices)");
        good = chosen.has_value();
      } else if (word.rfind("rate=", 0) == 0) {
        chosen->rate = Number(word.substr(5), kMinWordsPerMinute, kMaxWordsPerMinute);
        if (!chosen->rate) fail("rate takes words per minute from 50 to 500");
        good = chosen->rate.has_value();
      } else if (word.rfind("pitch=", 0) == 0) {
        chosen->pitch_hz = Number(word.substr(6), 20, 1000);
        if (!chosen->pitch_hz) fail("pitch takes hertz from 20 to 1000");
        good = chosen->pitch_hz.has_value();
      } else {
        fail("unknown setting '" + std::string(word) + "'");
        good = false;
      }
    }
    if (good && !chosen) fail("no voice given for " + std::string(key));
    if (good && chosen) map.entries_.emplace_back(Lower(key), std::move(*chosen));
  }
  return map;
}

const ChosenVoice* VoiceMap::Find(const SpeechVoice& voice) const {
  // The character's name first, then the mode id the program set, then
  // the file's.
  for (const std::string& key : {voice.name, voice.tts_mode_id, voice.file_mode_id}) {
    if (key.empty()) continue;
    const std::string wanted = Lower(key);
    for (const auto& [entry_key, chosen] : entries_) {
      if (entry_key == wanted) return &chosen;
    }
  }
  return nullptr;
}

ChosenVoice ChooseCharacterVoice(const SpeechVoice& voice, const VoiceRules& rules) {
  const ChosenVoice* mapped = rules.map.Find(voice);
  ChosenVoice chosen;
  if (rules.run_voice) {
    chosen = *rules.run_voice;
    // A run's voice keeps the rate and pitch the map gives the character.
    if (mapped != nullptr) {
      chosen.rate = mapped->rate;
      chosen.pitch_hz = mapped->pitch_hz;
    }
  } else if (mapped != nullptr) {
    chosen = *mapped;
  }
  if (rules.only_engine && chosen.engine != *rules.only_engine) {
    chosen = ChosenVoice{*rules.only_engine, "", chosen.rate, chosen.pitch_hz};
  }
  return chosen;
}

std::string VoiceLanguage(const SpeechVoice& voice) {
  std::string name =
      IsEspeakVoiceName(voice.tts_mode_id) ? voice.tts_mode_id : EspeakLanguage(voice.language_id);
  name.resize(std::min(name.find_first_of("-+"), name.size()));
  return Lower(name);
}

}  // namespace zarn
