#include "platform/speech/EspeakLibrary.h"

#include <string>

#include "base/SharedLibrary.h"
#include "platform/speech/EspeakSynthesizer.h"

namespace zarn {
namespace {

EspeakLibrary Load() {
  const SharedLibrary library("libespeak-ng.so.1", "espeak-ng",
                              [](const std::string& message) { throw SpeechError(message); });
  EspeakLibrary api;
  library.Bind("espeak_Initialize", api.Initialize);
  library.Bind("espeak_SetSynthCallback", api.SetSynthCallback);
  library.Bind("espeak_SetVoiceByName", api.SetVoiceByName);
  library.Bind("espeak_SetParameter", api.SetParameter);
  library.Bind("espeak_Synth", api.Synth);
  library.Bind("espeak_Synchronize", api.Synchronize);
  library.Bind("espeak_ListVoices", api.ListVoices);
  return api;
}

}  // namespace

const EspeakLibrary& Espeak() {
  static const EspeakLibrary api = Load();
  return api;
}

}  // namespace zarn
