// libFuzzer target over the picture probes: any bytes as a picture. A probe
// answers with a size of 1 to 65,535 pixels a side or with a reason; read
// from a file it answers exactly as from memory.

#include <cstddef>
#include <cstdint>
#include <span>

#include "FuzzSupport.h"
#include "backend/PictureProbe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zarn;
  using fuzz::Check;
  MemoryProbeSource memory(std::span<const uint8_t>(data, size));
  const PictureProbeResult result = ProbePicture(memory);
  if (result) {
    Check(result.info->width >= 1 && result.info->width <= kMaxPictureSide, "width out of range");
    Check(result.info->height >= 1 && result.info->height <= kMaxPictureSide,
          "height out of range");
  } else {
    Check(!result.error.empty(), "a refusal without a reason");
  }
  const std::string path = fuzz::Scratch::Get().Write("picture", fuzz::AsText(data, size));
  const PictureProbeResult from_file = ProbePictureFile(path);
  Check(from_file.failure == result.failure && from_file.error == result.error &&
            from_file.info.has_value() == result.info.has_value(),
        "file and memory answers differ");
  if (result) {
    Check(from_file.info->format == result.info->format &&
              from_file.info->width == result.info->width &&
              from_file.info->height == result.info->height,
          "file and memory answers differ");
  }
  return 0;
}
