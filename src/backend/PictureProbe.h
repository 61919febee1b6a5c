#pragma once

#include <cstdint>
#include <string>

#include "backend/MediaProbeSource.h"

namespace zarn {

enum class PictureFormat {
  kBitmap,
  kGif,
  kJpeg,
  kPng,
  kIcon,
  kCursor,
  kMetafile,
  kEnhancedMetafile
};

// A picture's natural size in pixels, as its header gives it. Icons and
// cursors report their first image; metafiles their frame at 96 dots an inch.
struct PictureInfo {
  PictureFormat format = PictureFormat::kBitmap;
  int32_t width = 0;
  int32_t height = 0;
};

using PictureProbeResult = ProbeOutcome<PictureInfo>;

// Larger sides mean a corrupt header (and would overflow twip arithmetic).
inline constexpr int32_t kMaxPictureSide = 65535;

// Recognises the format by content, not by the file's extension.
PictureProbeResult ProbePicture(ProbeSource& source);
PictureProbeResult ProbePictureFile(const std::string& path);

}  // namespace zarn
