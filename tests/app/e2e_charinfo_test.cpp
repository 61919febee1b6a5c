#include <gtest/gtest.h>

#include <filesystem>

#include "support/Harness.h"
#include "support/Process.h"

namespace zarn {
namespace {

using testing::RunProcess;
using testing::TempFolder;

TEST(CharInfo, DescribesWritesFramesAndRefusesBadFiles) {
  TempFolder dir;
  const std::string pip = testing::TestCharacterFolder() + "/Pip.acs";
  auto run = [&](std::vector<std::string> args) {
    args.insert(args.begin(), ZARNPLAY_EXE);
    return RunProcess(args, {}, dir.Path());
  };

  const auto json = run({"--char-info", "--json", pip});
  ASSERT_EQ(json.exit_code, 0) << json.err;
  for (const char* field : {"\"name\":\"Pip\"", "\"width\":128", "\"height\":128",
                            "\"animationNames\":", "\"states\":", "\"images\":", "\"sounds\":1"}) {
    EXPECT_NE(json.out.find(field), std::string::npos) << field << " in " << json.out;
  }

  const auto text = run({"--char-info", pip});
  ASSERT_EQ(text.exit_code, 0);
  EXPECT_NE(text.out.find("Wave"), std::string::npos);

  const std::string frames = dir / "frames";
  std::filesystem::create_directories(frames);
  const auto png = run({"--char-info", pip, "--png", "Wave", frames});
  ASSERT_EQ(png.exit_code, 0) << png.err;
  size_t written = 0;
  for (const auto& entry : std::filesystem::directory_iterator(frames)) {
    written += entry.path().extension() == ".png";
  }
  EXPECT_EQ(written, 6u);  // Wave has six frames and no mouth overlays

  const std::string junk = dir.Write("junk.acs", "this is not a character file at all");
  for (const auto& bad : {junk, dir / "missing.acs", dir.Path()}) {
    SCOPED_TRACE(bad);
    const auto result = run({"--char-info", "--json", bad});
    EXPECT_NE(result.exit_code, 0);
    EXPECT_TRUE(result.out.empty());
    EXPECT_NE(result.err.find("zarnplay: "), std::string::npos);
  }
}

}  // namespace
}  // namespace zarn
