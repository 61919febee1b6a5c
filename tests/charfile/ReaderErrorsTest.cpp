#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "charfile/CharacterFile.h"
#include "charfile/CharacterWriter.h"
#include "charfile/TestCharacters.h"

namespace zarn {
namespace {

uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

std::string OpenError(std::vector<uint8_t> bytes) {
  try {
    CharacterFile::FromBytes(std::move(bytes));
  } catch (const CharFileError& e) {
    return e.what();
  }
  return "opened";
}

// Mini has neither voice nor balloon, so its palette count sits right
// after the fixed part of the character-info block.
constexpr size_t kInfoLocator = 4, kAnimationLocator = 12, kImageLocator = 20;
constexpr size_t kPaletteCount = 0x29, kFrameWidth = 0x1C;

TEST(CharacterReader, BadFilesGiveAnErrorNamingTheFault) {
  const std::vector<uint8_t> mini = WriteCharacter(MiniCharacter());
  const size_t info = Get32(mini, kInfoLocator);
  const size_t list = Get32(mini, kAnimationLocator);
  struct Case {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> damage;
    const char* message;
  };
  const Case cases[] = {
      {"compound file", [](auto& b) { b = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1, 0}; },
       "Agent 1.5"},
      {"other signature", [](auto& b) { b[0] = 0xC5; }, "not a character file"},
      {"empty file", [](auto& b) { b.clear(); }, "not a character file"},
      {"header cut short", [](auto& b) { b.resize(20); }, "too short"},
      {"locator beyond the end", [](auto& b) { Put32(b, kImageLocator, 0xFFFFFFF0); },
       "beyond the end"},
      {"locator length overflowing", [&](auto& b) { Put32(b, kInfoLocator + 4, 0xFFFFFFFF); },
       "beyond the end"},
      {"zero frame width", [&](auto& b) { b[info + kFrameWidth] = b[info + kFrameWidth + 1] = 0; },
       "frame size"},
      {"palette over 256", [&](auto& b) { Put32(b, info + kPaletteCount, 257); }, "more than 256"},
      {"palette count past the block", [&](auto& b) { Put32(b, info + kPaletteCount, 200); },
       "palette"},
      {"absurd animation count", [&](auto& b) { Put32(b, list, 0x40000000); }, "count"},
      {"absurd string length", [&](auto& b) { Put32(b, list + 4, 0x7FFFFFFF); }, "does not fit"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes = mini;
    c.damage(bytes);
    std::string error = OpenError(bytes);
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

TEST(CharacterReader, EveryTruncationIsRefused) {
  const std::vector<uint8_t> mini = WriteCharacter(MiniCharacter());
  for (size_t n = 0; n < mini.size(); ++n) {
    SCOPED_TRACE(n);
    EXPECT_NE(OpenError(std::vector<uint8_t>(mini.begin(), mini.begin() + n)), "opened");
  }
}

TEST(CharacterReader, RandomDamageGivesErrorsNotCrashes) {
  const std::vector<uint8_t> pip = WriteCharacter(PipCharacter());
  std::mt19937 random(99);
  int opened = 0;
  for (int round = 0; round < 300; ++round) {
    std::vector<uint8_t> bytes = pip;
    for (int flips = 0; flips < 4; ++flips) bytes[random() % bytes.size()] = random() & 0xFF;
    try {
      CharacterFile file = CharacterFile::FromBytes(std::move(bytes));
      ++opened;
      for (size_t i = 0; i < file.ImageCount(); ++i) {
        try {
          file.DecodeImage(i);
        } catch (const CharFileError&) {
        }
      }
    } catch (const CharFileError&) {
    }
  }
  EXPECT_GT(opened, 0);  // most flips land in image data, which opening does not read
}

TEST(CharacterReader, OneCorruptImageFailsOnlyThatImage) {
  std::vector<uint8_t> bytes = WriteCharacter(PipCharacter());
  const size_t list = Get32(bytes, kImageLocator);
  const size_t count = Get32(bytes, list);
  const size_t broken = 3;
  const size_t record = Get32(bytes, list + 4 + broken * 12);
  bytes[record + 10] = 0x01;  // the stream's leading zero byte
  CharacterFile file = CharacterFile::FromBytes(std::move(bytes));
  for (size_t i = 0; i < count; ++i) {
    SCOPED_TRACE(i);
    if (i == broken) {
      try {
        file.DecodeImage(i);
        ADD_FAILURE() << "damaged image decoded";
      } catch (const CharFileError& e) {
        EXPECT_NE(std::string(e.what()).find("image 3"), std::string::npos) << e.what();
      }
    } else {
      EXPECT_GT(file.DecodeImage(i).width, 0);
    }
  }
}

TEST(CharacterReader, OutOfRangeIndicesThrow) {
  CharacterFile file = CharacterFile::FromBytes(WriteCharacter(MiniCharacter()));
  EXPECT_THROW(file.DecodeImage(file.ImageCount()), CharFileError);
  EXPECT_THROW(file.SoundBytes(0), CharFileError);
}

TEST(CharacterReader, UnreadablePathsAreNamed) {
  struct Case {
    std::string path;
    const char* message;
  };
  const Case cases[] = {{"/nonexistent/dir/Nobody.acs", "cannot open"},
                        {std::string(ZARN_SOURCE_DIR) + "/src", "is a folder"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    try {
      CharacterFile::Open(c.path);
      ADD_FAILURE() << "opened";
    } catch (const CharFileError& e) {
      std::string error = e.what();
      EXPECT_EQ(error.rfind(c.path, 0), 0u) << error;
      EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
  }
}

TEST(CharacterReader, NameFollowsLanguageThenEnglishThenFirst) {
  CharacterDescription d = MiniCharacter();
  d.info.localized = {
      {0x0401, "Arabic", "", ""}, {0x000C, "French", "", ""}, {0x0009, "English", "", ""}};
  CharacterFile file = CharacterFile::FromBytes(WriteCharacter(d));
  struct Case {
    uint16_t language;
    const char* name;
  };
  const Case cases[] = {{0x0409, "English"},
                        {0x040C, "French"},
                        {0x0C0C, "French"},
                        {0x0411, "English"},
                        {0x0401, "Arabic"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.language);
    EXPECT_EQ(file.Name(c.language), c.name);
  }
  d.info.localized = {{0x0401, "Arabic", "", ""}, {0x0407, "German", "", ""}};
  EXPECT_EQ(CharacterFile::FromBytes(WriteCharacter(d)).Name(), "Arabic");
  d.info.localized.clear();
  EXPECT_EQ(CharacterFile::FromBytes(WriteCharacter(d)).Name(), "");
}

TEST(CharacterReader, EveryIndexWithTheTransparentColourIsTransparent) {
  CharacterDescription d = MiniCharacter();
  d.info.palette = {{255, 0, 255}, {10, 20, 30}, {255, 0, 255}};
  d.images[0] = {2, 1, {1, 2}};
  CharacterFile file = CharacterFile::FromBytes(WriteCharacter(d));
  DecodedImage image = file.DecodeImage(0);
  EXPECT_EQ(image.rgba, (std::vector<uint8_t>{10, 20, 30, 255, 0, 0, 0, 0}));
  EXPECT_TRUE(file.IsTransparent(3));  // beyond the palette
}

}  // namespace
}  // namespace zarn
