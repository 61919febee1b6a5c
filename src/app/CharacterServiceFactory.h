#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "charengine/SpeechTiming.h"
#include "platform/common/ListenModel.h"
#include "platform/speech/VoiceChoice.h"
#include "ports/Scheduler.h"

namespace zarn {

class CharacterEngine;

// Our character engine on the given scheduler, finding characters in the
// character folders, with branch choices drawn from `seed`; speech timed by
// `planner` (empty: the words-per-minute model).
std::unique_ptr<CharacterEngine> MakeCharacterEngine(
    Scheduler& scheduler, uint32_t seed, SpeechPlanner planner = {},
    std::function<bool(const std::string& character_id, bool listen)> listen = {});

// The speech recognition model: the installed one, or the folder in
// $ZARN_LISTEN_MODEL.
ListenModel SpeechInputModel();

// The speech timing --tts-timing asks for: "espeak", "flite" or "voice"
// (espeak-ng started now, so that a missing voice data folder is reported
// before anything plays), or the model's ("words": empty). Throws
// SpeechError.
SpeechPlanner MakeSpeechPlanner(const std::string& timing, VoiceRules rules);

}  // namespace zarn
