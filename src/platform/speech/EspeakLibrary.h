#pragma once

#include <espeak-ng/speak_lib.h>

namespace zarn {

// espeak-ng's calls, loaded from its library on first use: it links the
// sound server's client and thirty-odd libraries with it, which a run that
// never speaks aloud or times speech by voice should not load.
struct EspeakLibrary {
  decltype(&::espeak_Initialize) Initialize = nullptr;
  decltype(&::espeak_SetSynthCallback) SetSynthCallback = nullptr;
  decltype(&::espeak_SetVoiceByName) SetVoiceByName = nullptr;
  decltype(&::espeak_SetParameter) SetParameter = nullptr;
  decltype(&::espeak_Synth) Synth = nullptr;
  decltype(&::espeak_Synchronize) Synchronize = nullptr;
  decltype(&::espeak_ListVoices) ListVoices = nullptr;
};

// Throws SpeechError when the library cannot be loaded.
const EspeakLibrary& Espeak();

}  // namespace zarn
