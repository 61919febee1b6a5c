// The web-delivery form: one .acf with the character data and one .aca per
// animation. No real file of this kind has been checked: the layout follows
// a single description, and everything here is unverified.

#include <filesystem>
#include <fstream>
#include <string>

#include "charfile/CharacterSource.h"
#include "charfile/Decompressor.h"

namespace zarn {
namespace {

using charfile::ByteCursor;
using Source = CharacterFile::Source;

// Payloads bigger than this are taken as corrupt size fields.
constexpr uint32_t kMaxPayload = 64u << 20;
// Versions before 1.31 have no transition byte and no exit branch.
constexpr uint32_t kFirstVersionWithExits = 0x0001001F;

struct AcaEntry {
  std::string name;
  std::string file_name;
  std::string return_animation;
  uint32_t checksum = 0;
};

// u32 uncompressed size, u32 compressed size (0 = stored), payload.
std::vector<uint8_t> ReadPayload(ByteCursor& c) {
  uint32_t size = c.U32("payload size");
  uint32_t packed = c.U32("compressed payload size");
  if (size > kMaxPayload) c.Corrupt("payload size " + std::to_string(size) + " is implausible");
  if (packed == 0) {
    const uint8_t* p = c.Take(size, "payload");
    return std::vector<uint8_t>(p, p + size);
  }
  const uint8_t* p = c.Take(packed, "compressed payload");
  return charfile::Decompress(p, packed, size);
}

std::string BaseName(std::string name) {
  size_t cut = name.find_last_of("/\\");
  return cut == std::string::npos ? name : name.substr(cut + 1);
}

// Windows names: look the file up without regard to case when the exact
// name is absent.
std::filesystem::path FindFile(const std::string& folder, const std::string& name) {
  namespace fs = std::filesystem;
  fs::path exact = fs::path(folder) / name;
  std::error_code ec;
  if (fs::exists(exact, ec)) return exact;
  auto lower = [](std::string s) {
    for (char& ch : s) ch = (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch + 32) : ch;
    return s;
  };
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (lower(entry.path().filename().string()) == lower(name)) return entry.path();
  }
  return exact;
}

std::vector<uint8_t> ReadSmallFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw CharFileError("cannot open " + path.string());
  std::error_code ec;
  auto size = std::filesystem::file_size(path, ec);
  if (ec || size > kMaxPayload) throw CharFileError(path.string() + ": size not usable");
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!in) throw CharFileError(path.string() + ": read error");
  return bytes;
}

class AcaLoader {
 public:
  AcaLoader(CharacterFile& file, Source& source) : file_(file), source_(source) {}

  Animation Load(const AcaEntry& entry, std::vector<uint8_t> bytes,
                 std::vector<std::string>& warnings) {
    ByteCursor c(bytes.data(), bytes.size(), entry.file_name);
    uint32_t version = c.U32("version");
    uint32_t checksum = c.U32("checksum");
    if (checksum != entry.checksum) {
      warnings.push_back(entry.file_name + ": checksum differs from the character's list");
    }
    std::vector<uint8_t> payload;
    if (c.U8("compression flag") != 0) {
      payload = ReadPayload(c);
    } else {
      payload.assign(c.Here(), c.Here() + c.Remaining());
    }
    uint32_t buffer = static_cast<uint32_t>(source_.buffers.size());
    source_.buffers.push_back(std::move(payload));
    const auto& data = source_.buffers.back();
    ByteCursor p(data.data(), data.size(), entry.file_name + " payload");

    size_t first_sound = source_.sounds.size();
    uint16_t sounds = p.U16("sound count");
    p.CheckCount(sounds, 4, "sounds");
    for (uint16_t i = 0; i < sounds; ++i) {
      uint32_t size = p.U32("sound size");
      size_t at = p.Offset();
      p.Skip(size, "sound");
      source_.sounds.push_back({buffer, at, size});
    }

    size_t first_image = source_.images.size();
    uint16_t images = p.U16("image count");
    p.CheckCount(images, 4, "images");
    size_t frame_bytes = ((static_cast<size_t>(file_.Width()) + 3) & ~size_t{3}) * file_.Height();
    for (uint16_t i = 0; i < images; ++i) {
      size_t at = p.Offset();
      uint32_t size = p.U32("image size");
      if (size != 0) {
        if (size < frame_bytes) p.Corrupt("image smaller than the frame");
        p.Skip(1 + size, "image");
        p.Skip(p.U32("region size"), "region");
      }
      source_.images.push_back({Source::ImageKind::kAcaRecord, {buffer, at, p.Offset() - at}});
    }

    Animation animation;
    animation.name = entry.name;
    animation.return_animation = entry.return_animation;
    bool has_exits = version >= kFirstVersionWithExits;
    uint8_t transition = has_exits ? p.U8("transition type") : 2;
    animation.transition =
        transition <= 2 ? static_cast<TransitionType>(transition) : TransitionType::kNone;
    uint16_t frames = p.U16("frame count");
    p.CheckCount(frames, 12, "frames");
    for (uint16_t i = 0; i < frames; ++i) {
      animation.frames.push_back(ReadFrame(p, has_exits, first_image, first_sound, buffer));
    }
    return animation;
  }

 private:
  Frame ReadFrame(ByteCursor& p, bool has_exits, size_t first_image, size_t first_sound,
                  uint32_t buffer) {
    Frame frame;
    int16_t image = p.I16("frame image");
    int16_t sound = p.I16("frame sound");
    frame.duration = p.U16("frame duration");
    int16_t x = p.I16("frame x");
    int16_t y = p.I16("frame y");
    if (image >= 0) {
      frame.images.push_back({static_cast<uint32_t>(first_image + image), x, y});
    }
    frame.sound_index = sound >= 0 && first_sound + sound <= INT16_MAX
                            ? static_cast<int16_t>(first_sound + sound)
                            : int16_t{-1};
    frame.exit_frame = has_exits ? p.I16("frame exit branch") : Frame::kNoExit;
    uint8_t branches = p.U8("branch count");
    p.CheckCount(branches, 4, "branches");
    for (uint8_t i = 0; i < branches; ++i) {
      Branch b;
      b.frame = p.U16("branch frame");
      b.probability = p.U16("branch probability");
      frame.branches.push_back(b);
    }
    uint8_t overlays = p.U8("overlay count");
    if (overlays > 0 && p.U8("overlay base flag") != 0) {
      p.Skip(p.U32("overlay base image"), "overlay base image");
      p.Skip(p.U32("overlay base region"), "overlay base region");
    }
    for (uint8_t i = 0; i < overlays; ++i) {
      MouthOverlay overlay;
      overlay.shape = p.U8("overlay shape");
      uint32_t size = p.U32("overlay size");
      if (size == 0) continue;
      overlay.replace = p.U8("overlay replace flag") != 0;
      overlay.has_region = p.U8("overlay region flag") != 0;
      overlay.x = p.I16("overlay x");
      overlay.y = p.I16("overlay y");
      int w = p.U16("overlay width");
      int h = p.U16("overlay height");
      if (static_cast<uint64_t>(w) * h > size) p.Corrupt("overlay pixels smaller than its size");
      size_t at = p.Offset();
      p.Skip(size, "overlay pixels");
      if (overlay.has_region) overlay.region = p.Block("overlay region");
      size_t index = source_.images.size();
      if (index > UINT16_MAX) continue;
      overlay.image_index = static_cast<uint16_t>(index);
      Source::ImageRef ref{Source::ImageKind::kRawPixels, {buffer, at, size}, w, h};
      source_.images.push_back(ref);
      frame.overlays.push_back(std::move(overlay));
    }
    return frame;
  }

  CharacterFile& file_;
  Source& source_;
};

}  // namespace

CharacterFile CharacterReader::ReadAcf(std::vector<uint8_t> bytes, const std::string& folder) {
  ByteCursor header(bytes.data(), bytes.size(), "web character file");
  header.Skip(4, "signature");
  std::vector<uint8_t> payload = ReadPayload(header);
  ByteCursor c(payload.data(), payload.size(), "web character data");
  c.U32("version");
  uint16_t count = c.U16("animation count");
  c.CheckCount(count, 16, "animations");
  std::vector<AcaEntry> entries(count);
  for (auto& e : entries) {
    e.name = c.String("animation name", false);
    e.file_name = c.String("animation file name", false);
    e.return_animation = c.String("return animation", false);
    e.checksum = c.U32("animation checksum");
  }

  CharacterFile file = Empty();
  CharacterInfo& info = Info(file);
  info.guid = c.ReadGuid("character id");
  info.localized = charfile::ReadLocalizedInfo(c, false);
  charfile::ReadSharedInfo(c, info, false);

  auto source = std::make_shared<Source>();
  // Palette and transparency must be known before decoding, but images are
  // only decoded on demand, so finishing at the end is enough.
  AcaLoader loader(file, *source);
  for (const auto& entry : entries) {
    Animation animation;
    animation.name = entry.name;
    animation.return_animation = entry.return_animation;
    try {
      if (folder.empty()) throw CharFileError("no folder to look for its file in");
      std::string name = BaseName(entry.file_name);
      animation = loader.Load(entry, ReadSmallFile(FindFile(folder, name)), Warnings(file));
    } catch (const CharFileError& e) {
      Warnings(file).push_back("animation \"" + entry.name + "\" left empty: " + e.what());
    }
    Animations(file).push_back(std::move(animation));
  }
  Finish(file, std::move(source));
  return file;
}

}  // namespace zarn
