#include "app/CharacterServiceFactory.h"

#include <cstdlib>
#include <utility>

#include "backend/MediaProbe.h"
#include "charengine/CharacterEngine.h"
#include "charengine/CharacterLookup.h"
#include "platform/speech/EspeakSpeech.h"

namespace zarn {

std::unique_ptr<CharacterEngine> MakeCharacterEngine(
    Scheduler& scheduler, uint32_t seed, SpeechPlanner planner,
    std::function<bool(const std::string& character_id, bool listen)> listen, bool speech_input) {
  CharacterEngineOptions options;
  options.seed = seed;
  options.character_folders = CharacterFolders([](const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return std::string(value ? value : "");
  });
  options.sound_length_ms = WaveFileMillis;
  options.sound_effect_ms = WaveBytesMillis;
  options.speech_planner = std::move(planner);
  options.speech_input = speech_input;
  options.listen = std::move(listen);
  return std::make_unique<CharacterEngine>(scheduler, std::move(options));
}

SpeechPlanner MakeSpeechPlanner(const std::string& timing, VoiceRules rules) {
  if (timing == "words") return {};
  EspeakSynthesizer::Instance().Start();
  return MakeVoicePlanner(std::move(rules));
}

}  // namespace zarn
