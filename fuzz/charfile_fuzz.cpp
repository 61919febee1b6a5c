// libFuzzer target over the character-file reader: open, decode every image,
// walk every animation, compose frames, describe. Any crash, sanitizer
// report, leak or hang is a finding; CharFileError is the expected outcome
// for bad input.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "charfile/CharacterFile.h"
#include "charfile/CharacterTools.h"
#include "charfile/FrameComposer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zarn;
  try {
    CharacterFile file = CharacterFile::FromBytes(std::vector<uint8_t>(data, data + size));
    for (size_t i = 0; i < file.ImageCount(); ++i) {
      try {
        DecodedImage image = file.DecodeImage(i);
        if (image.rgba.size() != image.indices.size() * 4) __builtin_trap();
      } catch (const CharFileError&) {
      }
    }
    for (size_t i = 0; i < file.SoundCount(); ++i) file.SoundBytes(i);
    bool small = file.Width() * file.Height() <= 256 * 256;
    for (const Animation& animation : file.Animations()) {
      file.FindAnimation(animation.return_animation);
      if (!small || animation.frames.empty()) continue;
      const Frame& last = animation.frames.back();
      ComposeFrame(file, last, last.overlays.empty() ? -1 : last.overlays[0].shape);
    }
    for (const State& state : file.States()) file.FindState(state.name);
    DescribeCharacter(file, true);
    DescribeCharacter(file, false);
  } catch (const CharFileError&) {
  }
  return 0;
}
