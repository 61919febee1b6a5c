// The web-delivery layout has no real sample to check against; these tests
// pin down the reader's reading of it.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "charfile/CharacterFile.h"
#include "charfile/Compressor.h"

namespace zarn {
namespace {

struct Bytes {
  std::vector<uint8_t> b;
  Bytes& U8(uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    return *this;
  }
  Bytes& U16(uint32_t v) { return U8(v).U8(v >> 8); }
  Bytes& U32(uint32_t v) { return U16(v).U16(v >> 16); }
  Bytes& Str(const std::string& ascii) {  // no terminator in this layout
    U32(static_cast<uint32_t>(ascii.size()));
    for (char c : ascii) U16(static_cast<uint8_t>(c));
    return *this;
  }
  Bytes& Raw(const std::vector<uint8_t>& v) {
    b.insert(b.end(), v.begin(), v.end());
    return *this;
  }
  // u32 size, u32 compressed size, compressed payload.
  Bytes& Packed(const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> packed = charfile::Compress(payload.data(), payload.size());
    return U32(static_cast<uint32_t>(payload.size()))
        .U32(static_cast<uint32_t>(packed.size()))
        .Raw(packed);
  }
};

constexpr uint32_t kVersion = 0x00020001;
const std::vector<uint8_t> kSound = {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'};

std::vector<uint8_t> Acf() {
  Bytes p;
  p.U32(kVersion).U16(2);
  p.Str("Wave").Str("anims\\WAVE.ACA").Str("").U32(0x1234);
  p.Str("Gone").Str("gone.aca").Str("").U32(0x5678);
  p.U32(0x11223344).U16(1).U16(2).Raw({1, 2, 3, 4, 5, 6, 7, 8});  // GUID
  p.U16(1).U16(0x0409).Str("Webby").Str("From the web").Str("");
  p.U16(6).U16(2).U8(0).U32(0x10 | 0x100).U16(2).U16(0);  // size, transparency, flags
  p.U32(2).Raw({255, 0, 255, 0, 30, 20, 10, 0});          // palette (B, G, R, 0)
  p.U8(0);                                                // no tray icon
  p.U16(1).Str("SPEAKING").U16(1).Str("WAVE");
  Bytes file;
  file.U32(0xABCDABC4).Packed(p.b);
  return file.b;
}

std::vector<uint8_t> Aca() {
  Bytes p;
  p.U16(1).U32(static_cast<uint32_t>(kSound.size())).Raw(kSound);
  // One frame picture: 6 x 2, rows padded to 8, bottom row first.
  p.U16(1).U32(16).U8(0).Raw({1, 1, 1, 0, 0, 0, 9, 9, 0, 1, 0, 1, 0, 1, 9, 9}).U32(0);
  p.U8(1).U16(1);                                     // exit branches, one frame
  p.U16(0).U16(0).U16(10).U16(0).U16(0).U16(0xFFFE);  // image, sound, 0.1 s, x, y, exit -2
  p.U8(1).U16(0).U16(50);                             // one branch
  p.U8(1).U8(0);                                      // one overlay, no base image
  p.U8(3).U32(4).U8(1).U8(0).U16(2).U16(1).U16(2).U16(2).Raw({1, 0, 0, 1});
  Bytes file;
  file.U32(kVersion).U32(0x1234).U8(1).Packed(p.b);
  return file.b;
}

TEST(WebCharacter, ReadsTheCharacterAndItsAnimationFiles) {
  namespace fs = std::filesystem;
  fs::path dir = fs::path(ZARN_BINARY_DIR) / "charfile_acf";
  fs::remove_all(dir);
  fs::create_directories(dir);
  auto write = [&](const char* name, const std::vector<uint8_t>& bytes) {
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  };
  write("Webby.acf", Acf());
  write("wave.aca", Aca());  // found without regard to case or folder part

  CharacterFile file = CharacterFile::Open((dir / "Webby.acf").string());
  EXPECT_EQ(file.Name(), "Webby");
  EXPECT_EQ(file.Width(), 6);
  EXPECT_EQ(file.Height(), 2);
  EXPECT_EQ(file.Palette()[1], (Color{10, 20, 30}));
  ASSERT_NE(file.FindState("Speaking"), nullptr);
  ASSERT_EQ(file.Animations().size(), 2u);

  const Animation& wave = file.Animations()[0];
  EXPECT_EQ(wave.transition, TransitionType::kExitBranches);
  ASSERT_EQ(wave.frames.size(), 1u);
  const Frame& frame = wave.frames[0];
  EXPECT_EQ(frame.duration, 10);
  EXPECT_EQ(frame.exit_frame, -2);
  EXPECT_EQ(frame.branches, (std::vector<Branch>{{0, 50}}));
  ASSERT_EQ(frame.images.size(), 1u);
  DecodedImage picture = file.DecodeImage(frame.images[0].image_index);
  EXPECT_EQ(picture.indices, (std::vector<uint8_t>{0, 1, 0, 1, 0, 1, 1, 1, 1, 0, 0, 0}));
  EXPECT_EQ(file.SoundBytes(static_cast<size_t>(frame.sound_index)), kSound);
  ASSERT_EQ(frame.overlays.size(), 1u);
  EXPECT_EQ(frame.overlays[0].shape, 3);
  EXPECT_TRUE(frame.overlays[0].replace);
  DecodedImage mouth = file.DecodeImage(frame.overlays[0].image_index);
  EXPECT_EQ(mouth.width, 2);
  EXPECT_EQ(mouth.indices, (std::vector<uint8_t>{0, 1, 1, 0}));

  // The second animation's file is missing: the character still loads.
  EXPECT_TRUE(file.Animations()[1].frames.empty());
  ASSERT_EQ(file.Warnings().size(), 1u);
  EXPECT_NE(file.Warnings()[0].find("Gone"), std::string::npos);
  fs::remove_all(dir);
}

TEST(WebCharacter, FromMemoryLooksForNoAnimationFiles) {
  CharacterFile file = CharacterFile::FromBytes(Acf());
  EXPECT_EQ(file.Name(), "Webby");
  ASSERT_EQ(file.Animations().size(), 2u);
  EXPECT_TRUE(file.Animations()[0].frames.empty());
  EXPECT_EQ(file.Warnings().size(), 2u);
}

}  // namespace
}  // namespace zarn
