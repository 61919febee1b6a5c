// Character projects end to end: unpacking and building again keeps a
// character whole, a failed build leaves nothing, and the tutorial's
// character (made by hand from docs/making-characters.md) plays.

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>

#include "charfile/CharacterFile.h"
#include "charfile/CharacterTools.h"
#include "support/Harness.h"
#include "support/Process.h"
#include "support/TraceReader.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::RunProcess;
using testing::TempFolder;

class ProjectTest : public ::testing::Test {
 protected:
  testing::ProcessResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), ZARNPLAY_EXE);
    // The folder is where a script finds its characters, as a person's
    // working folder would be.
    return RunProcess(args,
                      {"ZARN_INSTANCE_DIR=" + dir_ / "runtime", "ZARN_CHARACTERS=" + dir_.Path()},
                      dir_.Path());
  }
  std::string Json(const std::string& file) {
    const auto r = Run({"--char-info", "--json", file});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    return r.out;
  }
  TempFolder dir_;
};

// The PNG files --png writes for every animation, by name.
std::map<std::string, std::string> Frames(const std::string& character, const std::string& dir) {
  const CharacterFile file = CharacterFile::Open(character);
  std::map<std::string, std::string> out;
  for (const auto& a : file.Animations()) {
    for (const auto& path : WriteAnimationPngs(file, a.name, dir, true)) {
      out[fs::path(path).filename().string()] = ReadFile(path);
    }
  }
  return out;
}

TEST_F(ProjectTest, UnpackedAndBuiltAgainACharacterStaysTheSame) {
  std::vector<std::string> characters = {std::string(ZARN_BINARY_DIR) + "/characters/Fennet.acs"};
  for (const char* name : {"Pip", "Mini", "Giant", "Loopy"}) {
    characters.push_back(testing::TestCharacterFolder() + "/" + name + ".acs");
  }
  for (const auto& original : characters) {
    SCOPED_TRACE(original);
    const std::string stem = fs::path(original).stem().string();
    const std::string project = dir_ / stem;
    const auto unpacked = Run({"--unpack-character", original, project});
    ASSERT_EQ(unpacked.exit_code, 0) << unpacked.err;
    const std::string acd = project + "/" + stem + ".acd";
    EXPECT_EQ(unpacked.out, acd + "\n");
    const std::string rebuilt = dir_ / (stem + "-again.acs");
    const auto made = Run({"--make-character", acd, rebuilt});
    ASSERT_EQ(made.exit_code, 0) << made.err;
    const std::string want = Json(original);
    EXPECT_EQ(Json(rebuilt), want);
    EXPECT_EQ(Json(acd), want);  // --char-info reads the project itself too
    // Beyond what --char-info shows: palette, tray icon, voice and balloon
    // details, every frame's timing, branches, sounds and mouths.
    const CharacterFile was = CharacterFile::Open(original), is = CharacterFile::Open(rebuilt);
    EXPECT_EQ(is.Info(), was.Info());
    EXPECT_EQ(is.Animations(), was.Animations());
    const auto before = Frames(original, dir_ / (stem + "-frames"));
    const auto after = Frames(rebuilt, dir_ / (stem + "-frames-again"));
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(before.size(), after.size());
    for (const auto& [name, png] : before)
      EXPECT_TRUE(after.count(name) && after.at(name) == png) << name;
  }
}

TEST_F(ProjectTest, RefusesAFullFolderAndABrokenBuildLeavesNothing) {
  const std::string pip = testing::TestCharacterFolder() + "/Pip.acs";
  dir_.Write("full/note.txt", "mine");
  const auto refused = Run({"--unpack-character", pip, dir_ / "full"});
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_NE(refused.err.find("the folder is not empty"), std::string::npos) << refused.err;
  EXPECT_EQ(fs::directory_iterator(dir_ / "full")->path().filename(), "note.txt");

  ASSERT_EQ(Run({"--unpack-character", pip, dir_ / "pip"}).exit_code, 0);
  fs::remove(dir_ / "pip/Images/0003.bmp");
  fs::create_directories(dir_ / "out");
  const auto broken = Run({"--make-character", dir_ / "pip/Pip.acd", dir_ / "out/Pip.acs"});
  EXPECT_EQ(broken.exit_code, 1);
  EXPECT_NE(broken.err.find("image \"Images\\0003.bmp\" not found"), std::string::npos)
      << broken.err;
  EXPECT_TRUE(fs::is_empty(dir_ / "out"));
}

// The tutorial's pictures, drawn as it describes them.
void Ball(const std::string& path, int width, int height, int top) {
  std::vector<uint8_t> rgba(32 * 32 * 4, 0);
  const int left = (32 - width) / 2;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double dx = (x + 0.5) / width - 0.5, dy = (y + 0.5) / height - 0.5;
      if (dx * dx + dy * dy > 0.25) continue;
      uint8_t* p = &rgba[((top + y) * 32 + left + x) * 4];
      p[0] = 0xD0, p[1] = 0x30, p[2] = 0x30, p[3] = 255;
    }
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = image.height = 32;
  image.format = PNG_FORMAT_RGBA;
  ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr));
}

// The tutorial's project: the ```acd block.
std::string AcdBlock(const std::string& doc) {
  const size_t start = doc.find("```acd\n");
  EXPECT_NE(start, std::string::npos);
  const size_t body = start + 7;
  return doc.substr(body, doc.find("```", body) - body);
}

TEST_F(ProjectTest, TheTutorialCharacterPlays) {
  const std::string doc = ReadFile(std::string(ZARN_SOURCE_DIR) + "/docs/making-characters.md");
  fs::create_directories(dir_ / "dot/Images");
  Ball(dir_ / "dot/Images/up.png", 16, 16, 2);
  Ball(dir_ / "dot/Images/squash.png", 20, 12, 20);
  Ball(dir_ / "dot/Images/down.png", 16, 16, 16);
  dir_.Write("dot/Dot.acd", AcdBlock(doc));
  const auto made = Run({"--make-character", dir_ / "dot/Dot.acd", dir_ / "Dot.acs"});
  ASSERT_EQ(made.exit_code, 0) << made.err;

  const size_t script = doc.find("[ZARN Script]");
  ASSERT_NE(script, std::string::npos);
  dir_.Write("dot.zrn", doc.substr(script, doc.find("```", script) - script));
  const std::string trace = dir_ / "dot.jsonl";
  const auto played = Run({"--headless", "--idle-exit", "--trace", trace, dir_ / "dot.zrn"});
  ASSERT_EQ(played.exit_code, 0) << played.err << played.out;
  const auto records = testing::ParseTrace(ReadFile(trace));
  std::vector<double> bounces;
  for (const auto& r : records) {
    if (r.kind == "anim" && r.op == "Start" && r.Arg(0) == "Bounce") bounces.push_back(r.t);
  }
  ASSERT_EQ(bounces.size(), 2u) << ReadFile(trace);
  EXPECT_NEAR(bounces[1] - bounces[0], 0.4, 0.001);  // 0.1 + 0.1 + 0.2 s
  EXPECT_FALSE(testing::Select(records, "call", "Speak").empty());
}

}  // namespace
}  // namespace zarn
