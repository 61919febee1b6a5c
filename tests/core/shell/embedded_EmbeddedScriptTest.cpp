#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "base/VbError.h"
#include "core/shell/EmbeddedScript.h"
#include "support/Harness.h"

namespace zarn {
namespace {

using testing::Harness;
using testing::HarnessOptions;
using testing::Select;
using testing::TempFolder;

constexpr int64_t kStep = kEmbeddedSearchWindow - 21 + 1;

// Bytes that look like a program image: every value except the marker's run.
std::string Image(size_t size) {
  std::string image(size, '\0');
  for (size_t i = 0; i < size; ++i) image[i] = static_cast<char>((i * 131 + 7) % 251);
  return image;
}

// A text longer than a window whose lines all differ, so a repeated or lost
// stretch at a window boundary shows.
std::string LongText(size_t size) {
  std::string text;
  for (int line = 0; text.size() < size; ++line) text += "line " + std::to_string(line) + "\r\n";
  return text;
}

std::string Read(const std::string& bytes) {
  std::istringstream file(bytes);
  return ReadEmbeddedScript(file);
}

TEST(EmbeddedScript, MarkerIsTheQuentalLine) {
  EXPECT_EQ(EmbeddedScriptMarker(), "\r\n[QUENTAL_SYSTEMS]\r\n");
}

TEST(EmbeddedScript, FindsTheMarkerWhereverItLies) {
  const std::string marker = EmbeddedScriptMarker();
  // Image sizes around the first and second window boundaries put the
  // marker inside one window, across the boundary, and at its very end.
  const size_t sizes[] = {
      0,     1,     kStep - 1,      kStep,     kStep + 1,      10230,         10239,
      10240, 10241, 2 * kStep - 10, 2 * kStep, 2 * kStep + 20, 3 * kStep + 5, 100000};
  for (const size_t size : sizes) {
    SCOPED_TRACE(size);
    const std::string file = Image(size) + marker + "[ZARN Script]\r\n";
    std::istringstream in(file);
    const auto at = FindEmbeddedScriptMarker(in);
    ASSERT_TRUE(at.has_value());
    EXPECT_EQ(*at, static_cast<int64_t>(size));
    EXPECT_EQ(Read(file), "[ZARN Script]\r\n");
  }
}

TEST(EmbeddedScript, TextBehindTheFirstMarker) {
  const std::string marker = EmbeddedScriptMarker();
  const std::string long_text = LongText(3 * kEmbeddedSearchWindow + 77);
  struct Case {
    const char* name;
    std::string file;
    std::string text;
  };
  const Case cases[] = {
      {"no marker", Image(30000), ""},
      {"empty file", "", ""},
      {"marker cut short at the end", Image(kStep) + marker.substr(0, 20), ""},
      {"marker with nothing behind", Image(500) + marker, ""},
      {"NUL right behind the marker", Image(500) + marker + std::string(1, '\0') + "x", ""},
      {"trailing NULs dropped", Image(500) + marker + "abc" + std::string(600, '\0'), "abc"},
      {"cut at the first NUL", Image(5) + marker + "ab" + std::string(1, '\0') + "cd", "ab"},
      {"second marker belongs to the text", marker + "a" + marker + "b", "a" + marker + "b"},
      {"longer than a window", Image(kStep - 3) + marker + long_text, long_text},
      {"long text then NULs", Image(20000) + marker + long_text + std::string(20000, '\0'),
       long_text},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Read(c.file), c.text);
  }
}

TEST(EmbeddedScript, RefusesATailTooLongForAScript) {
  const std::string file = EmbeddedScriptMarker() + std::string((size_t{64} << 20) + 1, 'x');
  EXPECT_THROW(Read(file), VbError);
}

// Points TMPDIR (the headless temporary folder) at a test folder.
class ScopedTempDir {
 public:
  explicit ScopedTempDir(const std::string& path) {
    testing::TestCharacterFolder();  // made before TMPDIR moves
    if (const char* old = std::getenv("TMPDIR")) old_ = old;
    setenv("TMPDIR", path.c_str(), 1);
  }
  ~ScopedTempDir() {
    if (old_) {
      setenv("TMPDIR", old_->c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }

 private:
  std::optional<std::string> old_;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct SelfRun {
  TempFolder dir;
  TempFolder temp;
  ScopedTempDir tmpdir{temp.Path()};

  // Plays `exe` as a self-running copy (empty command line).
  std::unique_ptr<Harness> Play(const std::string& exe) {
    HarnessOptions options;
    options.exe_path = exe;
    auto h = std::make_unique<Harness>(options);
    Harness& ref = *h;
    ref.Form().ExtractEmbeddedScript = [&ref] { return ExtractEmbeddedScript(ref.program()); };
    ref.StartAndRun();
    return h;
  }
};

TEST(EmbeddedScript, PlaysTheAppendedScriptFromTheFirstFreeTemporaryName) {
  SelfRun run;
  const std::string taken = run.temp / "ZARN0001.TMP";
  std::ofstream(taken) << "someone else's";
  const std::string script =
      "[ZARN Script]\r\nVersion=7.0\r\n[Characters]\r\nPip=Pip.acs\r\n[Script]\r\n"
      "Pip.Speak \"Hello from inside\"\r\n";
  const std::string exe = run.dir.Write(
      "hello", Image(kStep - 7) + EmbeddedScriptMarker() + script + std::string(64, '\0'), false);

  const auto h = run.Play(exe);
  const auto loads = Select(h->Records(), "life", "LoadScript");
  ASSERT_EQ(loads.size(), 1u);
  EXPECT_EQ(loads[0].Arg(0), run.temp / "ZARN0002.TMP");
  const auto speaks = Select(h->Records(), "call", "Speak");
  ASSERT_EQ(speaks.size(), 1u);
  EXPECT_EQ(speaks[0].Arg(0), "Hello from inside");
  // Our temporary file is gone; the one that was there is untouched.
  EXPECT_FALSE(std::filesystem::exists(run.temp / "ZARN0002.TMP"));
  EXPECT_EQ(Slurp(taken), "someone else's");
}

TEST(EmbeddedScript, CopyWithoutAScriptEndsWithoutWritingAnything) {
  SelfRun run;
  struct Case {
    const char* name;
    std::string content;
  };
  const Case cases[] = {
      {"no marker", Image(40000)},
      {"marker and NULs only", Image(100) + EmbeddedScriptMarker() + std::string(10, '\0')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto h = run.Play(run.dir.Write("hello", c.content, false));
    EXPECT_TRUE(Select(h->Records(), "life", "LoadScript").empty());
    EXPECT_TRUE(Select(h->Records(), "ui", "MessageBox").empty());
    EXPECT_FALSE(h->Form().Loaded());
    EXPECT_TRUE(std::filesystem::is_empty(run.temp.Path()));
  }
}

TEST(EmbeddedScript, UnreadableExecutableIsReportedAndEndsTheProgram) {
  SelfRun run;
  const auto h = run.Play(run.dir / "gone");
  EXPECT_TRUE(Select(h->Records(), "life", "LoadScript").empty());
  EXPECT_EQ(Select(h->Records(), "ui", "ErrorReport").size(), 1u);
  EXPECT_FALSE(h->Form().Loaded());
}

}  // namespace
}  // namespace zarn
