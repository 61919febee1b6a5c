#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "backend/PictureProbe.h"
#include "core/errortrap/ProcedureCode.h"
#include "support/mci_test_support.h"

namespace zarn {
namespace {

using namespace testing_media;

Bytes Bmp(int32_t width, int32_t height, uint16_t bits, uint32_t pixel_bytes, uint16_t planes = 1,
          uint32_t compression = 0) {
  Bytes b;
  PutTag(b, "BM");
  PutLe32(b, 54 + pixel_bytes);
  PutLe32(b, 0);
  PutLe32(b, 54);
  PutLe32(b, 40);
  PutLe32(b, static_cast<uint32_t>(width));
  PutLe32(b, static_cast<uint32_t>(height));
  PutLe16(b, planes);
  PutLe16(b, bits);
  PutLe32(b, compression);
  b.resize(54, 0);
  b.resize(54 + pixel_bytes, 0x55);
  return b;
}

Bytes CoreBmp() {
  Bytes b;
  PutTag(b, "BM");
  PutLe32(b, 26 + 8);
  PutLe32(b, 0);
  PutLe32(b, 26);
  PutLe32(b, 12);
  PutLe16(b, 2);  // 2 x 2 at 8 bits: rows of 4 bytes (with palette omitted)
  PutLe16(b, 2);
  PutLe16(b, 1);
  PutLe16(b, 8);
  b.resize(26 + 8, 0);
  return b;
}

Bytes Gif(uint16_t screen_w, uint16_t screen_h, bool with_image = true) {
  Bytes b;
  PutTag(b, "GIF89a");
  PutLe16(b, screen_w);
  PutLe16(b, screen_h);
  b.insert(b.end(), {0x80, 0, 0});  // global table of two colours
  b.insert(b.end(), {0, 0, 0, 255, 255, 255});
  b.insert(b.end(), {0x21, 0xF9, 4, 0, 0, 0, 0, 0});  // graphic control extension
  if (with_image) {
    b.push_back(0x2C);
    PutLe16(b, 0);
    PutLe16(b, 0);
    PutLe16(b, 7);
    PutLe16(b, 5);
    b.insert(b.end(), {0x00, 0x02, 0x02, 0x44, 0x01, 0x00});
  }
  b.push_back(0x3B);
  return b;
}

Bytes Jpeg(uint8_t sof, uint16_t width, uint16_t height, bool sos_first = false) {
  Bytes b = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10};
  PutTag(b, "JFIF");
  b.insert(b.end(), {0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
  const Bytes sos = {0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00, 0x12, 0x34};
  if (sos_first) b.insert(b.end(), sos.begin(), sos.end());
  b.insert(b.end(), {0xFF, 0xFF, 0xFF, sof, 0x00, 0x11, 0x08});  // with fill bytes
  PutBe16(b, height);
  PutBe16(b, width);
  b.insert(b.end(), {3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1});
  b.insert(b.end(), sos.begin(), sos.end());
  b.insert(b.end(), {0xFF, 0xD9});
  return b;
}

void PutPngChunk(Bytes& b, std::string_view type, const Bytes& data, bool good_crc = true) {
  PutBe32(b, static_cast<uint32_t>(data.size()));
  std::string crc_input(type);
  crc_input.append(data.begin(), data.end());
  b.insert(b.end(), type.begin(), type.end());
  b.insert(b.end(), data.begin(), data.end());
  PutBe32(b, Crc32(crc_input) ^ (good_crc ? 0 : 1));
}

Bytes Png(uint32_t width, uint32_t height, uint8_t depth = 8, uint8_t colour = 6, bool idat = true,
          bool good_crc = true) {
  Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes ihdr;
  PutBe32(ihdr, width);
  PutBe32(ihdr, height);
  ihdr.insert(ihdr.end(), {depth, colour, 0, 0, 0});
  PutPngChunk(b, "IHDR", ihdr, good_crc);
  PutPngChunk(b, "tEXt", Bytes{'a', 0, 'b'});
  if (idat) PutPngChunk(b, "IDAT", Bytes(10, 0));
  PutPngChunk(b, "IEND", {});
  return b;
}

Bytes Icon(uint16_t type, uint8_t width, uint8_t height, uint32_t image_at = 22) {
  Bytes b;
  PutLe16(b, 0);
  PutLe16(b, type);
  PutLe16(b, 1);
  b.insert(b.end(), {width, height, 0, 0});
  PutLe32(b, 0x00200001);
  PutLe32(b, 40 + 64);
  PutLe32(b, image_at);
  PutLe32(b, 40);
  b.resize(22 + 40 + 64, 0);
  return b;
}

Bytes PlaceableMetafile(int16_t right, int16_t bottom, uint16_t inch) {
  Bytes b;
  PutLe32(b, 0x9AC6CDD7u);
  PutLe16(b, 0);
  PutLe16(b, 0);
  PutLe16(b, 0);
  PutLe16(b, static_cast<uint16_t>(right));
  PutLe16(b, static_cast<uint16_t>(bottom));
  PutLe16(b, inch);
  PutLe32(b, 0);
  PutLe16(b, 0);
  PutLe16(b, 1);  // memory metafile
  PutLe16(b, 9);
  b.resize(60, 0);
  return b;
}

Bytes EnhancedMetafile(int32_t frame_right, int32_t frame_bottom) {
  Bytes b;
  PutLe32(b, 1);
  PutLe32(b, 88);
  for (int i = 0; i < 4; ++i) PutLe32(b, 0);
  for (int32_t v : {0, 0, frame_right, frame_bottom}) PutLe32(b, static_cast<uint32_t>(v));
  PutTag(b, " EMF");
  b.resize(88, 0);
  return b;
}

PictureProbeResult Probe(const Bytes& bytes) {
  MemoryProbeSource source(bytes);
  return ProbePicture(source);
}

TEST(ProbePicture, ReadsTheNaturalSizeOfEachFormat) {
  struct Case {
    const char* name;
    Bytes bytes;
    PictureFormat format;
    int32_t width, height;
  };
  const Case cases[] = {
      {"bmp 24-bit", Bmp(3, 2, 24, 2 * 12), PictureFormat::kBitmap, 3, 2},
      {"bmp top-down", Bmp(3, -2, 24, 2 * 12), PictureFormat::kBitmap, 3, 2},
      {"bmp 1-bit", Bmp(33, 1, 1, 8), PictureFormat::kBitmap, 33, 1},
      {"bmp rle8", Bmp(100, 100, 8, 10, 1, 1), PictureFormat::kBitmap, 100, 100},
      {"bmp core header", CoreBmp(), PictureFormat::kBitmap, 2, 2},
      {"gif", Gif(20, 10), PictureFormat::kGif, 20, 10},
      {"gif sized by its image", Gif(0, 0), PictureFormat::kGif, 7, 5},
      {"jpeg baseline", Jpeg(0xC0, 640, 480), PictureFormat::kJpeg, 640, 480},
      {"jpeg progressive", Jpeg(0xC2, 3200, 1200), PictureFormat::kJpeg, 3200, 1200},
      {"png", Png(1600, 1200), PictureFormat::kPng, 1600, 1200},
      {"png palette", Png(1, 1, 4, 3), PictureFormat::kPng, 1, 1},
      {"icon", Icon(1, 32, 32), PictureFormat::kIcon, 32, 32},
      {"icon of 256", Icon(1, 0, 0), PictureFormat::kIcon, 256, 256},
      {"cursor", Icon(2, 16, 24), PictureFormat::kCursor, 16, 24},
      {"placeable metafile", PlaceableMetafile(1440, 720, 1440), PictureFormat::kMetafile, 96, 48},
      {"enhanced metafile", EnhancedMetafile(2540, 1270), PictureFormat::kEnhancedMetafile, 96, 48},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const PictureProbeResult result = Probe(c.bytes);
    ASSERT_TRUE(result) << result.error;
    EXPECT_EQ(result.info->format, c.format);
    EXPECT_EQ(result.info->width, c.width);
    EXPECT_EQ(result.info->height, c.height);
  }
}

TEST(ProbePicture, RefusesWhatIsNotAWholePicture) {
  Bytes cut_bmp = Bmp(10, 10, 24, 300);
  cut_bmp.resize(cut_bmp.size() - 1);
  Bytes cut_gif = Gif(20, 10);
  cut_gif.resize(cut_gif.size() - 4);
  Bytes cut_jpeg = Jpeg(0xC0, 10, 10);
  cut_jpeg.resize(30);
  Bytes bad_marker = Jpeg(0xC0, 10, 10);
  bad_marker[20] = 0x12;

  struct Case {
    const char* name;
    Bytes bytes;
    const char* reason;
  };
  const Case cases[] = {
      {"empty", {}, "too short"},
      {"text", Bytes(300, 'a'), "not a picture"},
      {"bmp pixels cut short", cut_bmp, "cut short"},
      {"bmp 7 bits", Bmp(2, 2, 7, 16), "bits per pixel"},
      {"bmp no planes", Bmp(2, 2, 24, 16, 0), "one plane"},
      {"bmp zero width", Bmp(0, 2, 24, 16), "zero"},
      {"bmp jpeg inside", Bmp(2, 2, 24, 16, 1, 4), "compression"},
      {"bmp header only", Bytes{'B', 'M', 1, 2}, "cut short"},
      {"gif without image", Gif(20, 10, false), "no image"},
      {"gif cut short", cut_gif, "cut short"},
      {"jpeg scan before frame", Jpeg(0xC0, 10, 10, true), "no frame header"},
      {"jpeg arithmetic coding", Jpeg(0xC9, 10, 10), "not supported"},
      {"jpeg cut short", cut_jpeg, "past the end"},
      {"jpeg corrupt marker", bad_marker, "corrupt"},
      {"jpeg zero height", Jpeg(0xC0, 10, 0), "zero"},
      {"png bad crc", Png(10, 10, 8, 6, true, false), "corrupt"},
      {"png no image data", Png(10, 10, 8, 6, false), "no image data"},
      {"png bad depth", Png(10, 10, 4, 2), "invalid settings"},
      {"png enormous", Png(0x7FFFFFFF, 10), "implausibly large"},
      {"icon image outside the file", Icon(1, 32, 32, 5000), "outside the file"},
      {"metafile of no size", PlaceableMetafile(0, 720, 1440), "zero"},
      {"metafile without units", PlaceableMetafile(10, 10, 0), "corrupt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const PictureProbeResult result = Probe(c.bytes);
    EXPECT_FALSE(result);
    EXPECT_EQ(result.failure, ProbeFailure::kNotValid);
    EXPECT_NE(result.error.find(c.reason), std::string::npos) << result.error;
  }
}

TEST(ProbePictureFile, ReadsFromDisk) {
  TempDir dir;
  EXPECT_EQ(ProbePictureFile(dir.Write("p.png", Png(5, 6))).info->height, 6);
  EXPECT_EQ(ProbePictureFile(dir.Write("p.gif", "not really")).failure, ProbeFailure::kNotValid);
  EXPECT_EQ(ProbePictureFile(dir.Path() + "/none.bmp").failure, ProbeFailure::kCannotRead);
}

}  // namespace
}  // namespace zarn
