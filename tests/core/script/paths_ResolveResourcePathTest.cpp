#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "core/script/ResolveResourcePath.h"
#include "support/Harness.h"

namespace zarn {
namespace {

using testing::Harness;
using testing::Select;
using testing::TempFolder;

TEST(FolderOfPath, CutsAfterTheLastSeparator) {
  struct Case {
    const char* path;
    const char* folder;
  };
  const Case cases[] = {{"C:\\S\\main.zrn", "C:\\S\\"},
                        {"/home/u/s/main.zrn", "/home/u/s/"},
                        {"s\\sub/main.zrn", "s\\sub/"},
                        {"main.zrn", ""},
                        {"", ""}};
  bErrorTrap::Trap errors;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(FolderOfPath(errors, c.path), c.folder);
  }
}

// The script lives in <dir>/S; files are created per case.
class ResolveResourcePathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness_.CreateServices();
    harness_.program().document.ScriptPath = dir_ / "S/main.zrn";
    dir_.Write("S/main.zrn", "");
  }
  std::string Resolve(const std::string& reference) {
    std::string temp_name;
    const std::string result = ResolveResourcePath(harness_.program(), reference, temp_name);
    EXPECT_EQ(temp_name, "");
    return result;
  }
  Harness harness_;
  TempFolder dir_;
};

TEST_F(ResolveResourcePathTest, CandidatesInOrder) {
  struct Case {
    const char* name;
    std::vector<std::string> files;  // created under dir_ for this case
    std::string reference;
    std::string expected;  // relative to dir_, or the reference itself
  };
  const Case cases[] = {
      {"dot folder is the script folder", {"S/snd/a.wav"}, ".\\snd\\a.wav", "S/snd/a.wav"},
      {"script folder before the dot folder",
       {"S/snd/a.wav", "S/a.wav"},
       ".\\snd\\a.wav",
       "S/a.wav"},
      {"dot-dot is taken from the script folder",
       {"media/b.avi"},
       "..\\media\\b.avi",
       "media/b.avi"},
      {"forward slashes too", {"media/b.avi"}, "../media/b.avi", "media/b.avi"},
      {"absolute reference loses to the script folder",
       {"S/c.wav", "elsewhere/c.wav"},
       "<dir>/elsewhere/c.wav",
       "S/c.wav"},
      {"absolute reference", {"elsewhere/d.wav"}, "<dir>/elsewhere/d.wav", "elsewhere/d.wav"},
      {"drive letter finds the script folder copy",
       {"S/ding.wav"},
       "C:\\Windows\\Media\\ding.wav",
       "S/ding.wav"},
      {"drive letter elsewhere is unchanged",
       {},
       "C:\\Windows\\Media\\chord.wav",
       "C:\\Windows\\Media\\chord.wav"},
      {"letter case ignored", {"S/sounds/ding.wav"}, ".\\Sounds\\Ding.WAV", "S/sounds/ding.wav"},
      {"a folder is not a file", {"S/pics/x.txt"}, "pics", "pics"},
      {"nothing found", {}, "nothing.wav", "nothing.wav"},
      {"empty reference", {}, "", ""},
      {"host name without scheme is not fetched",
       {},
       "www.example.com/a.wav",
       "www.example.com/a.wav"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const auto& f : c.files) dir_.Write(f, "x");
    std::string reference = c.reference;
    if (reference.rfind("<dir>", 0) == 0) reference = dir_.Path() + reference.substr(5);
    const std::string result = Resolve(reference);
    if (c.expected == c.reference) {
      EXPECT_EQ(result, reference);
    } else {
      EXPECT_TRUE(std::filesystem::equivalent(result, dir_ / c.expected)) << result;
      EXPECT_EQ(std::filesystem::path(result).filename(),
                std::filesystem::path(c.expected).filename());
    }
    for (const auto& f : c.files) std::filesystem::remove(dir_ / f);
  }
  EXPECT_TRUE(Select(harness_.Records(), "net").empty());
}

TEST_F(ResolveResourcePathTest, CurrentFolderComesAfterTheReferenceFolder) {
  TempFolder cwd;
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(cwd.Path());
  cwd.Write("here.wav", "x");
  cwd.Write("sub/there.wav", "x");
  dir_.Write("elsewhere/here.wav", "x");
  const std::string missing_folder = Resolve("/nonexistent-folder/here.wav");
  const std::string reference_folder = Resolve(dir_ / "elsewhere/here.wav");
  const bool relative_found =
      std::filesystem::equivalent(Resolve("SUB\\There.wav"), cwd / "sub/there.wav");
  std::filesystem::current_path(old);
  EXPECT_TRUE(std::filesystem::equivalent(missing_folder, cwd / "here.wav")) << missing_folder;
  EXPECT_TRUE(std::filesystem::equivalent(reference_folder, dir_ / "elsewhere/here.wav"));
  EXPECT_TRUE(relative_found);
}

}  // namespace
}  // namespace zarn
