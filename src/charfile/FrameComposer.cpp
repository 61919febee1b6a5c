#include "charfile/FrameComposer.h"

#include <cstring>

namespace zarn {
namespace {

void Draw(const CharacterFile& file, std::vector<uint8_t>& canvas, uint32_t index, int left,
          int top) {
  DecodedImage image;
  try {
    image = file.DecodeImage(index, false);
  } catch (const CharFileError&) {
    return;  // a broken layer should not hide the rest of the frame
  }
  const int w = file.Width(), h = file.Height();
  for (int y = 0; y < image.height; ++y) {
    int cy = top + y;
    if (cy < 0 || cy >= h) continue;
    for (int x = 0; x < image.width; ++x) {
      int cx = left + x;
      if (cx < 0 || cx >= w) continue;
      const uint8_t* src = &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
      if (src[3] == 0) continue;
      std::memcpy(&canvas[(static_cast<size_t>(cy) * w + cx) * 4], src, 4);
    }
  }
}

}  // namespace

std::vector<uint8_t> ComposeFrame(const CharacterFile& file, const Frame& frame, int mouth_shape) {
  std::vector<uint8_t> canvas(static_cast<size_t>(file.Width()) * file.Height() * 4, 0);
  const MouthOverlay* overlay = nullptr;
  for (const auto& o : frame.overlays) {
    if (o.shape == mouth_shape) {
      overlay = &o;
      break;
    }
  }
  for (size_t i = frame.images.size(); i-- > 0;) {
    const FrameImage& layer = frame.images[i];
    if (i == 0 && overlay != nullptr && overlay->replace) {
      Draw(file, canvas, overlay->image_index, overlay->x, overlay->y);
    } else {
      Draw(file, canvas, layer.image_index, layer.x, layer.y);
    }
  }
  if (overlay != nullptr && (!overlay->replace || frame.images.empty())) {
    Draw(file, canvas, overlay->image_index, overlay->x, overlay->y);
  }
  return canvas;
}

}  // namespace zarn
