#include <string>

#include "charfile/CharacterSource.h"

namespace zarn {
namespace {

using charfile::ByteCursor;
using Range = CharacterFile::Source::Range;

constexpr size_t kHeaderSize = 36;
constexpr uint8_t kCompoundFileMagic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

uint32_t LoadU32(const std::vector<uint8_t>& bytes, size_t at) {
  return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
         (static_cast<uint32_t>(bytes[at + 3]) << 24);
}

// Reads a LOCATOR and checks it lies inside the file.
Range Locator(ByteCursor& c, size_t file_size, const std::string& what) {
  uint32_t offset = c.U32(what.c_str());
  uint32_t length = c.U32(what.c_str());
  if (uint64_t{offset} + length > file_size) {
    c.Corrupt(what + " at offset " + std::to_string(offset) + " with length " +
              std::to_string(length) + " lies beyond the end of the " + std::to_string(file_size) +
              "-byte file");
  }
  return Range{0, offset, length};
}

ByteCursor Cursor(const std::vector<uint8_t>& bytes, const Range& r, std::string what) {
  return ByteCursor(bytes.data() + r.offset, r.length, std::move(what), r.offset);
}

Frame ReadFrame(ByteCursor& c) {
  Frame frame;
  uint16_t image_count = c.U16("frame image count");
  c.CheckCount(image_count, 8, "frame images");
  frame.images.resize(image_count);
  for (auto& image : frame.images) {
    image.image_index = c.U32("frame image index");
    image.x = c.I16("frame image x");
    image.y = c.I16("frame image y");
  }
  frame.sound_index = c.I16("frame sound index");
  frame.duration = c.U16("frame duration");
  frame.exit_frame = c.I16("frame exit branch");
  uint8_t branch_count = c.U8("frame branch count");
  c.CheckCount(branch_count, 4, "frame branches");
  frame.branches.resize(branch_count);
  for (auto& branch : frame.branches) {
    branch.frame = c.U16("branch frame");
    branch.probability = c.U16("branch probability");
  }
  uint8_t overlay_count = c.U8("mouth overlay count");
  c.CheckCount(overlay_count, 14, "mouth overlays");
  frame.overlays.resize(overlay_count);
  for (auto& overlay : frame.overlays) {
    overlay.shape = c.U8("overlay shape");
    overlay.replace = c.U8("overlay replace flag") != 0;
    overlay.image_index = c.U16("overlay image index");
    overlay.unknown = c.U8("overlay flags");
    overlay.has_region = c.U8("overlay region flag") != 0;
    overlay.x = c.I16("overlay x");
    overlay.y = c.I16("overlay y");
    overlay.reference_x = c.U16("overlay reference x");
    overlay.reference_y = c.U16("overlay reference y");
    if (overlay.has_region) overlay.region = c.Block("overlay region");
  }
  return frame;
}

Animation ReadAnimationRecord(ByteCursor& c, std::string list_name) {
  Animation animation;
  animation.name = std::move(list_name);
  c.String("animation name");  // upper-case copy of the list name
  uint8_t transition = c.U8("transition type");
  animation.transition =
      transition <= 2 ? static_cast<TransitionType>(transition) : TransitionType::kNone;
  animation.return_animation = c.String("return animation name");
  uint16_t frame_count = c.U16("frame count");
  c.CheckCount(frame_count, 10, "frames");
  animation.frames.reserve(frame_count);
  for (uint16_t i = 0; i < frame_count; ++i) animation.frames.push_back(ReadFrame(c));
  return animation;
}

void ReadCharacterInfo(const std::vector<uint8_t>& bytes, const Range& block, CharacterInfo& info) {
  ByteCursor c = Cursor(bytes, block, "character info");
  info.version_minor = c.U16("minor version");
  info.version_major = c.U16("major version");
  Range localized = Locator(c, bytes.size(), "localized info list");
  info.guid = c.ReadGuid("character id");
  charfile::ReadSharedInfo(c, info, true);
  ByteCursor lc = Cursor(bytes, localized, "localized info list");
  info.localized = charfile::ReadLocalizedInfo(lc, true);
}

// The image and audio lists: u32 count, then LOCATOR + u32 checksum each.
std::vector<Range> ReadLocatorList(const std::vector<uint8_t>& bytes, const Range& block,
                                   const std::string& what) {
  ByteCursor c = Cursor(bytes, block, what);
  uint32_t count = c.U32("count");
  c.CheckCount(count, 12, "entries");
  std::vector<Range> list;
  list.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    list.push_back(Locator(c, bytes.size(), "entry " + std::to_string(i)));
    c.Skip(4, "checksum");
  }
  return list;
}

}  // namespace

CharacterFile CharacterReader::Read(std::vector<uint8_t> bytes, const std::string& folder) {
  if (bytes.size() >= 8 && std::equal(kCompoundFileMagic, kCompoundFileMagic + 8, bytes.begin())) {
    throw CharFileError(
        "an Agent 1.5 character (compound file); only version 2 character files can be read");
  }
  if (bytes.size() < 4) {
    throw CharFileError("not a character file: only " + std::to_string(bytes.size()) + " bytes");
  }
  uint32_t signature = LoadU32(bytes, 0);
  if (signature == charfile::kAcsSignature) return ReadAcs(std::move(bytes));
  if (signature == charfile::kAcfSignature || signature == charfile::kAcfOldSignature) {
    return ReadAcf(std::move(bytes), folder);
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", signature);
  throw CharFileError(std::string("not a character file (signature ") + hex + ")");
}

CharacterFile CharacterReader::ReadAcs(std::vector<uint8_t> bytes) {
  if (bytes.size() < kHeaderSize) {
    throw CharFileError("file of " + std::to_string(bytes.size()) +
                        " bytes is too short for a character file header");
  }
  ByteCursor header(bytes.data(), kHeaderSize, "header");
  header.Skip(4, "signature");
  Range info_block = Locator(header, bytes.size(), "character info block");
  Range animation_block = Locator(header, bytes.size(), "animation list");
  Range image_block = Locator(header, bytes.size(), "image list");
  Range audio_block = Locator(header, bytes.size(), "audio list");

  CharacterFile file = Empty();
  ReadCharacterInfo(bytes, info_block, Info(file));

  ByteCursor list = Cursor(bytes, animation_block, "animation list");
  uint32_t count = list.U32("animation count");
  list.CheckCount(count, 12, "animations");
  auto& animations = Animations(file);
  animations.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    std::string name = list.String("animation name");
    Range record = Locator(list, bytes.size(), "animation \"" + name + "\"");
    ByteCursor c = Cursor(bytes, record, "animation \"" + name + "\"");
    animations.push_back(ReadAnimationRecord(c, std::move(name)));
  }

  auto source = std::make_shared<CharacterFile::Source>();
  for (const Range& r : ReadLocatorList(bytes, image_block, "image list")) {
    source->images.push_back({CharacterFile::Source::ImageKind::kAcsRecord, r});
  }
  source->sounds = ReadLocatorList(bytes, audio_block, "audio list");
  source->buffers.push_back(std::move(bytes));
  Finish(file, std::move(source));
  return file;
}

}  // namespace zarn
