#pragma once

#include <iosfwd>

#include "app/Options.h"
#include "platform/common/ListenModel.h"
#include "platform/speech/VoiceChoice.h"

namespace zarn {

// The run's voices: the user's map ($XDG_CONFIG_HOME/zarnplay/voices.conf,
// or ~/.config/...; lines it cannot read are named on stderr), --voice,
// and the engine --tts-timing names.
VoiceRules VoiceRulesFor(const Options& options);

// The speech recognition model: the installed one, or the folder in
// $ZARN_LISTEN_MODEL.
ListenModel SpeechInputModel();

// --list-voices: flite's voices, then espeak-ng's languages and variants.
int ListVoices(std::ostream& out);

}  // namespace zarn
