// libFuzzer target over the WAV files fed to the recognizer (--act hear):
// a file is read as 16 kHz mono or refused with a message, never more.

#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "FuzzSupport.h"
#include "platform/listen/WavePcm.h"

using namespace zarn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = fuzz::Scratch::Get().Write("heard.wav", fuzz::AsText(data, size));
  try {
    const auto pcm = ReadWaveForListening(path);
    fuzz::Check(pcm.size() <= size * 16000, "more samples than the file could hold");
  } catch (const std::runtime_error& e) {
    fuzz::Check(e.what()[0] != '\0', "a refusal says why");
  }
  return 0;
}
