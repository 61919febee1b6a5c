#include "app/Voices.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include "backend/WindowsNames.h"
#include "platform/speech/EspeakLibrary.h"
#include "platform/speech/EspeakSynthesizer.h"
#include "platform/speech/FliteVoices.h"

namespace zarn {

VoiceRules VoiceRulesFor(const Options& options) {
  VoiceRules rules;
  if (const auto config = WindowsNameValue("APPDATA", "")) {
    const std::string path = *config + "/zarnplay/voices.conf";
    if (std::ifstream in(path); in) {
      std::stringstream text;
      text << in.rdbuf();
      std::vector<std::string> errors;
      rules.map = VoiceMap::Parse(text.str(), errors);
      for (const std::string& error : errors) {
        std::cerr << "zarnplay: " << path << ": " << error << "; it is left out\n";
      }
    }
  }
  if (options.voice) rules.run_voice = ParseChosenVoice(*options.voice);
  if (options.tts_timing == "espeak") rules.only_engine = SpeechEngine::kEspeak;
  if (options.tts_timing == "flite") rules.only_engine = SpeechEngine::kFlite;
  return rules;
}

int ListVoices(std::ostream& out) {
  for (const FliteVoiceInfo& voice : FliteVoices()) {
    out << "flite:" << voice.name << "\t" << voice.description << "\n";
  }
  try {
    EspeakSynthesizer::Instance().Start();
  } catch (const SpeechError& e) {
    std::cerr << "zarnplay: " << e.what() << "\n";
    return 1;
  }
  espeak_VOICE variants{};
  variants.languages = "variant";
  for (const espeak_VOICE** v = Espeak().ListVoices(nullptr); v != nullptr && *v != nullptr; ++v) {
    const char* languages = (*v)->languages;
    if (languages == nullptr || *languages == '\0') continue;
    // Each entry starts with a priority byte, then its first language.
    out << "espeak:" << languages + 1 << "\t" << ((*v)->name ? (*v)->name : "") << "\n";
  }
  out << "espeak variants (add to a language as +NAME):";
  for (const espeak_VOICE** v = Espeak().ListVoices(&variants); v != nullptr && *v != nullptr;
       ++v) {
    if ((*v)->identifier == nullptr) continue;
    const std::string id = (*v)->identifier;
    out << " " << id.substr(id.rfind('/') + 1);
  }
  out << "\n";
  return 0;
}

ListenModel SpeechInputModel() {
  const char* folder = std::getenv("ZARN_LISTEN_MODEL");
  return ListenModel::Installed(folder ? folder : "");
}

}  // namespace zarn
