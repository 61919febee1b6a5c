// Broken character projects: each mistake is refused with the file, the
// line and what is wrong.

#include <gtest/gtest.h>
#include <png.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "charfile/BitmapFile.h"
#include "charfile/CharacterProject.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;

void Save(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// A 2 x 2 24-bit bitmap: right format, wrong depth.
std::vector<uint8_t> Bmp24() {
  std::vector<uint8_t> b = charfile::EncodeBmp8(2, 2, {1, 1, 1, 1}, {{0, 0, 0}, {9, 9, 9}});
  b[28] = 24;
  return b;
}

std::vector<uint8_t> GreenPng() {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = image.height = 2;
  image.format = PNG_FORMAT_RGBA;
  const uint8_t green[16] = {0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255};
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&image, nullptr, &size, 0, green, 0, nullptr);
  std::vector<uint8_t> bytes(size);
  png_image_write_to_memory(&image, bytes.data(), &size, 0, green, 0, nullptr);
  return bytes;
}

class ProjectErrorsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "zarn-acd-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    fs::create_directories(dir_ / "Images");
    const std::vector<Color> palette = {{255, 0, 255}, {200, 40, 40}, {20, 20, 20}};
    Save(dir_ / "Images/a.bmp", charfile::EncodeBmp8(2, 2, {1, 2, 2, 1}, palette));
    Save(dir_ / "Images/big.bmp",
         charfile::EncodeBmp8(40, 40, std::vector<uint8_t>(1600, 1), palette));
    Save(dir_ / "Images/deep.bmp", Bmp24());
    Save(dir_ / "Images/far.png", GreenPng());
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Line 12 is the frame's first line, 14 its image's Filename, 18 the first after the animation.
  std::string Build(const std::string& frame, const std::string& image, const std::string& tail) {
    const std::string acd =
        "DefineCharacter\n\tWidth = 32\n\tHeight = 32\n\tTransparency = 0\n"
        "\tColorTable = \"Images\\a.bmp\"\n\tDefineInfo 0x0409\n\t\tName = \"T\"\n\tEndInfo\n"
        "EndCharacter\nDefineAnimation \"RestPose\"\n\tDefineFrame\n" +
        frame + "\n\t\tDefineImage\n\t\t\tFilename = \"" + image +
        "\"\n\t\tEndImage\n\tEndFrame\nEndAnimation\n" + tail;
    std::ofstream((dir_ / "t.acd").string()) << acd;
    std::vector<std::string> warnings;
    try {
      ReadCharacterProject((dir_ / "t.acd").string(), warnings);
    } catch (const CharFileError& e) {
      return e.what();
    }
    return warnings.empty() ? "built" : "warning " + warnings[0];
  }

  fs::path dir_;
};

TEST_F(ProjectErrorsTest, EachMistakeIsNamedWithItsLine) {
  struct Case {
    std::string frame, image, tail, message;
  };
  const std::string ok_image = "Images\\a.bmp";
  const Case cases[] = {
      {"Duration = 10", ok_image, "", "built"},
      {"Durration = 10", ok_image, "", ":12: unknown keyword \"Durration\" in DefineFrame"},
      {"Duration = soon", ok_image, "", ":12: Duration: \"soon\" is not a number"},
      {"Duration = 10", "Images\\gone.bmp", "", ":14: image \"Images\\gone.bmp\" not found"},
      {"Duration = 10", "IMAGES\\A.BMP", "", "built"},  // names ignore letter case
      {"Duration = 10", "Images\\big.bmp", "",
       ":14: Images\\big.bmp: the image is 40 x 40, larger than the 32 x 32 frame"},
      {"Duration = 10", "Images\\deep.bmp", "",
       ":14: Images\\deep.bmp: a 24-bit bitmap; character images are 8-bit (256 colours)"},
      {"Duration = 10", "Images\\far.png", "",
       ":14: Images\\far.png: colour #00FF00 at (0, 0) is not in the character's palette "
       "(the nearest is #141414); draw with the ColorTable's colours"},
      {"ExitBranch = 2", ok_image, "",
       ":12: an exit branch to frame 2, but \"RestPose\" has 1 frame"},
      {"DefineBranching\nBranchTo = 3\nProbability = 50\nEndBranching", ok_image, "",
       ":13: a branch to frame 3, but \"RestPose\" has 1 frame"},
      {"SoundEffect = \"Sounds\\gone.wav\"", ok_image, "",
       ":12: sound \"Sounds\\gone.wav\" not found"},
      {"SoundEffect = \"Images\\a.bmp\"", ok_image, "", ":12: Images\\a.bmp: not a WAV file"},
      {"Duration = 10", ok_image, "DefineState \"SPEAKING\"\n\tAnimation = \"Talk\"\nEndState\n",
       ":19: state \"SPEAKING\" names animation \"Talk\", which is not defined"},
      {"Duration = 10", ok_image, "DefineAnimation \"Open\"\n",
       ":18: DefineAnimation has no EndAnimation"},
      {"Duration = 10", ok_image, "EndFrame\n", ":18: EndFrame without a Define"},
      {"DefineState \"X\"", ok_image, "", ":12: DefineState cannot stand inside DefineFrame"},
      {"Duration = 10", ok_image, "DefineAnimation \"Empty\"\nEndAnimation\n",
       "warning " + (dir_ / "t.acd").string() + ":18: animation \"Empty\" has no frames"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.frame + " / " + c.image + " / " + c.tail);
    const std::string got = Build(c.frame, c.image, c.tail);
    if (c.message[0] == ':') {
      EXPECT_EQ(got, (dir_ / "t.acd").string() + c.message);
    } else {
      EXPECT_EQ(got, c.message);
    }
  }
}

}  // namespace
}  // namespace zarn
