#include "platform/speech/FliteVoices.h"

namespace zarn {

const std::vector<FliteVoiceInfo>& FliteVoices() {
  // Paces and pitches measured on a sentence of 24 words.
  static const std::vector<FliteVoiceInfo> voices = {
      {"kal", false, "US English, male (diphones, 8 kHz)", 175, 95},
      {"awb", false, "Scottish English, male", 175, 124},
      {"rms", false, "US English, male", 146, 100},
      {"slt", true, "US English, female", 175, 172},
  };
  return voices;
}

const FliteVoiceInfo* FindFliteVoice(const std::string& name) {
  for (const FliteVoiceInfo& voice : FliteVoices()) {
    if (name == voice.name) return &voice;
  }
  return nullptr;
}

bool IsFliteVoice(const std::string& name) { return FindFliteVoice(name) != nullptr; }

uint32_t NameHash(const std::string& name) {
  uint32_t hash = 2166136261u;  // FNV-1a
  for (char c : name) {
    const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    hash = (hash ^ static_cast<uint8_t>(lower)) * 16777619u;
  }
  return hash;
}

std::string FliteVoiceFor(const SpeechVoice& voice) {
  if (voice.gender == 1) return "slt";
  static const char* const kMen[] = {"kal", "awb", "rms"};
  return kMen[NameHash(voice.name) % 3];
}

}  // namespace zarn
