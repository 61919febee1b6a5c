#include "platform/render/SpeechSound.h"

#include <fstream>
#include <iostream>
#include <iterator>

#include "platform/speech/LoudnessMouths.h"

namespace zarn {

std::optional<PcmAudio> ReadSpeechSound(const std::string& path, std::vector<SpeechEvent>& mouths) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  WaveDecodeResult decoded = DecodeWave(bytes);
  if (!decoded) {
    std::cerr << "zarnplay: " << path << ": " << decoded.error << "; it is not heard\n";
    return std::nullopt;
  }
  mouths = LoudnessMouths(decoded.audio.samples, decoded.audio.channels,
                          static_cast<int>(decoded.audio.sample_rate));
  return std::move(decoded.audio);
}

}  // namespace zarn
