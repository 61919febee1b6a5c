#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "EngineTestSupport.h"
#include "base/VbError.h"
#include "charengine/CharacterLookup.h"
#include "charengine/ServiceErrors.h"
#include "charfile/TestCharacters.h"

namespace zarn::test {
namespace {

namespace fs = std::filesystem;

class CharacterLookupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "charengine-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    fs::create_directories(root_ / "Chars");
    fs::create_directories(root_ / "Other");
    WriteTestCharacters((root_ / "Chars").string());
    std::ofstream(root_ / "Other" / "Broken.acs") << "this is not a character";
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string Chars() const { return (root_ / "Chars").string(); }
  std::string Real(const char* name) const { return (root_ / "Chars" / name).string(); }

  fs::path root_;
};

TEST_F(CharacterLookupTest, FindsByPathThenByNameInTheFolders) {
  const std::vector<std::string> folders = {(root_ / "Missing").string(), Chars()};
  struct Case {
    std::string path;
    std::optional<std::string> found;
  };
  std::string windows_root = root_.string();
  for (char& c : windows_root) c = c == '/' ? '\\' : c;
  const Case cases[] = {
      {Real("Pip.acs"), Real("Pip.acs")},
      {"C:\\Agent\\Chars\\Pip.acs", Real("Pip.acs")},
      {"c:\\Program Files\\Chars\\MINI.ACS", Real("Mini.acs")},
      {"Giant.acs", Real("Giant.acs")},
      {windows_root + "\\CHARS\\pip.Acs", Real("Pip.acs")},
      {"C:\\Agent\\Chars\\Nobody.acs", std::nullopt},
      {"", std::nullopt},
      {"C:\\Agent\\Chars\\", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(FindCharacterFile(c.path, folders), c.found);
  }
}

TEST_F(CharacterLookupTest, FoldersComeFromTheEnvironment) {
  using Env = std::map<std::string, std::string>;
  const std::string kC = "/zarnplay/characters";
  const std::pair<Env, std::vector<std::string>> cases[] = {
      {{{"ZARN_CHARACTERS", "/a:/b::"}, {"HOME", "/home/me"}},
       {"/a", "/b", "/home/me/.local/share" + kC, "/usr/local/share" + kC, "/usr/share" + kC}},
      {{}, {"/usr/local/share" + kC, "/usr/share" + kC}},
      {{{"XDG_DATA_HOME", "/d"}, {"HOME", "/home/me"}, {"XDG_DATA_DIRS", "/x:rel:/usr/share"}},
       {"/d" + kC, "/x" + kC, "/usr/share" + kC}},
      {{{"XDG_DATA_HOME", "relative"}, {"HOME", "/h"}, {"XDG_DATA_DIRS", "/x"}},
       {"/h/.local/share" + kC, "/x" + kC, "/usr/share" + kC}},
  };
  for (const auto& [vars, expected] : cases) {
    const Env& env = vars;  // clang 14 cannot capture a structured binding
    EXPECT_EQ(CharacterFolders([&env](const std::string& name) {
                const auto it = env.find(name);
                return it == env.end() ? std::string() : it->second;
              }),
              expected);
  }
}

TEST_F(CharacterLookupTest, LoadReadsRealFilesAndReportsFailures) {
  TestScheduler clock;
  CharacterEngineOptions options;
  options.character_folders = {Chars()};
  CharacterEngine engine(clock, options);
  engine.Load("Pip", "C:\\Program Files\\Agent\\pip.acs");
  EXPECT_EQ(engine.Name("Pip"), "Pip");
  EXPECT_EQ(engine.Width("Pip"), 128);
  const auto names = engine.AnimationNames("Pip");
  EXPECT_NE(std::find(names.begin(), names.end(), "Processing"), names.end());

  struct Case {
    const char* name;
    std::string path;
    int32_t number;
  };
  const Case cases[] = {
      {"missing file", "C:\\Agent\\Nobody.acs", vberr::kFileNotFound},
      {"not a character file", (root_ / "Other" / "Broken.acs").string(),
       service_error::kNotCharacterFile},
      {"no default character", "", vberr::kFileNotFound},
      {"already loaded", Real("Mini.acs"), service_error::kAlreadyLoaded},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      engine.Load(std::string(c.name) == "already loaded" ? "PIP" : "Other", c.path);
      ADD_FAILURE() << "loaded";
    } catch (const VbError& error) {
      EXPECT_EQ(error.Number(), c.number);
      EXPECT_FALSE(error.Description().empty());
    }
    EXPECT_FALSE(engine.IsLoaded("Other"));
  }
}

TEST_F(CharacterLookupTest, LoadedFileTimesMatchItsFrames) {
  TestScheduler clock;
  RecordingEvents events(clock);
  CharacterEngine engine(clock, {});
  engine.SetEvents(&events);
  engine.Load("Pip", Real("Pip.acs"));
  engine.Show("Pip", std::nullopt);
  engine.Play("Pip", "Greet");
  clock.RunUntilIdle();
  const CharacterModel pip = PipModel();
  EXPECT_EQ(events.TimeOf("Complete 2 0"),
            StraightMillis(pip, "Show") + StraightMillis(pip, "Greet"));
}

}  // namespace
}  // namespace zarn::test
