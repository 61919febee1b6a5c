// Writes the fuzzer's seed corpus: the test characters plus small variants
// that reach the raw-pixel, empty-image and no-region paths.

#include <cstdio>
#include <string>

#include "charfile/CharacterWriter.h"
#include "charfile/TestCharacters.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  using namespace zarn;
  std::string dir = argv[1];
  try {
    WriteTestCharacters(dir);
    CharacterDescription variant = MiniCharacter();
    ImageDescription raw = variant.images[0];
    raw.compress = false;
    raw.with_region = false;
    ImageDescription empty;
    empty.empty = true;
    variant.images.push_back(raw);
    variant.images.push_back(empty);
    variant.animations[0].frames[0].images.push_back({1, -5, 7});
    variant.animations[0].frames[0].overlays.push_back({});
    variant.animations[0].frames[0].overlays.back().image_index = 2;
    WriteCharacterFile(variant, dir + "/MiniVariants.acs");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
