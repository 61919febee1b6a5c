#include "platform/speech/EspeakLibrary.h"

#include <dlfcn.h>

#include <string>

#include "platform/speech/EspeakSynthesizer.h"

namespace zarn {
namespace {

template <class F>
void Bind(void* library, const char* name, F& function) {
  function = reinterpret_cast<F>(dlsym(library, name));
  if (function == nullptr) throw SpeechError(std::string("espeak-ng has no ") + name);
}

EspeakLibrary Load() {
  void* library = dlopen("libespeak-ng.so.1", RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    throw SpeechError(std::string("espeak-ng cannot be loaded: ") + dlerror());
  }
  EspeakLibrary api;
  Bind(library, "espeak_Initialize", api.Initialize);
  Bind(library, "espeak_SetSynthCallback", api.SetSynthCallback);
  Bind(library, "espeak_SetVoiceByName", api.SetVoiceByName);
  Bind(library, "espeak_SetParameter", api.SetParameter);
  Bind(library, "espeak_Synth", api.Synth);
  Bind(library, "espeak_Synchronize", api.Synchronize);
  Bind(library, "espeak_ListVoices", api.ListVoices);
  return api;
}

}  // namespace

const EspeakLibrary& Espeak() {
  static const EspeakLibrary api = Load();
  return api;
}

}  // namespace zarn
