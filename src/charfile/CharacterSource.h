#pragma once

// Internal: where a loaded character's images and sounds live, and the
// reader entry points that fill a CharacterFile.

#include <memory>
#include <string>
#include <vector>

#include "charfile/ByteCursor.h"
#include "charfile/CharacterFile.h"

namespace zarn {

struct CharacterFile::Source {
  enum class ImageKind : uint8_t {
    kAcsRecord,  // an image record of an .acs file
    kAcaRecord,  // a frame picture inside a decompressed .aca payload
    kRawPixels,  // bare 8-bit pixels of width x height (.aca mouth overlays)
  };
  struct Range {
    uint32_t buffer = 0;
    size_t offset = 0;
    size_t length = 0;
  };
  struct ImageRef {
    ImageKind kind = ImageKind::kAcsRecord;
    Range range;
    int width = 0;  // kRawPixels only
    int height = 0;
  };

  std::vector<std::vector<uint8_t>> buffers;
  std::vector<ImageRef> images;
  std::vector<Range> sounds;
};

class CharacterReader {
 public:
  // `folder` is where an .acf looks for its .aca files.
  static CharacterFile Read(std::vector<uint8_t> bytes, const std::string& folder);
  static CharacterFile ReadAcs(std::vector<uint8_t> bytes);
  static CharacterFile ReadAcf(std::vector<uint8_t> bytes, const std::string& folder);

  static CharacterFile Empty() { return CharacterFile(); }
  static CharacterInfo& Info(CharacterFile& f) { return f.info_; }
  static std::vector<Animation>& Animations(CharacterFile& f) { return f.animations_; }
  static std::vector<std::string>& Warnings(CharacterFile& f) { return f.warnings_; }
  static void Finish(CharacterFile& f, std::shared_ptr<const CharacterFile::Source> source) {
    f.source_ = std::move(source);
    f.ComputeTransparency();
  }
};

namespace charfile {

constexpr uint32_t kAcsSignature = 0xABCDABC3;
constexpr uint32_t kAcfSignature = 0xABCDABC4;
constexpr uint32_t kAcfOldSignature = 0xABCDABC2;
// Images larger than this in either direction are taken as corrupt.
constexpr int kMaxImageSide = 4096;

// Parts shared by the .acs and .acf character-info layouts.
VoiceInfo ReadVoiceInfo(ByteCursor& c, bool terminated_strings);
BalloonInfo ReadBalloonInfo(ByteCursor& c, bool terminated_strings);
std::vector<Color> ReadPalette(ByteCursor& c);
std::optional<TrayIcon> ReadTrayIcon(ByteCursor& c);
std::vector<State> ReadStates(ByteCursor& c, bool terminated_strings);
std::vector<LocalizedInfo> ReadLocalizedInfo(ByteCursor& c, bool terminated_strings);
void CheckFrameSize(const ByteCursor& c, int width, int height);
// The fields both layouts share, from the frame size to the state list.
void ReadSharedInfo(ByteCursor& c, CharacterInfo& info, bool terminated_strings);

// A 40-byte-header bitmap to top-down RGBA; `mask` gives 1-bpp bits as
// alpha 0 where set. Returns false when the bitmap cannot be read.
bool DecodeDib(const std::vector<uint8_t>& dib, int& width, int& height,
               std::vector<uint8_t>& rgba);

// Bottom-up, row-padded 8-bit pixels to a DecodedImage (indices + RGBA).
void FillPixels(const CharacterFile& file, const uint8_t* bottom_up, int width, int height,
                DecodedImage& image);
std::vector<RegionRect> ParseRegion(const uint8_t* data, size_t size);

}  // namespace charfile
}  // namespace zarn
