#pragma once

#include <string>
#include <vector>

#include "charengine/SpeechTiming.h"

namespace zarn {

// The flite voices we link: all speak US English.
struct FliteVoiceInfo {
  const char* name;
  bool female;
  const char* description;
  int natural_wpm;  // words per minute at flite's own pace, measured
  int mean_hz;      // its usual pitch, measured
};
const std::vector<FliteVoiceInfo>& FliteVoices();
const FliteVoiceInfo* FindFliteVoice(const std::string& name);
bool IsFliteVoice(const std::string& name);

// slt for women; a man's voice picked by the character's name otherwise.
std::string FliteVoiceFor(const SpeechVoice& voice);

// A number from a character's name, the same on every run and machine.
uint32_t NameHash(const std::string& name);

}  // namespace zarn
