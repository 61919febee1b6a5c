#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "app/OptionTable.h"
#include "app/Options.h"

// The cases below name only the fields they check.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace zarn {
namespace {

// The man page names every option and no other.
TEST(Options, ManPageNamesExactlyTheDeclaredOptions) {
  std::ifstream in(std::string(ZARN_SOURCE_DIR) + "/data/zarnplay.1");
  std::stringstream page;
  page << in.rdbuf();
  const std::string text = page.str();
  ASSERT_FALSE(text.empty());
  std::set<std::string> named;
  const std::regex option(R"(\\-\\-([a-z]+(\\-[a-z]+)*))");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), option);
       it != std::sregex_iterator(); ++it) {
    named.insert("--" + std::regex_replace((*it)[1].str(), std::regex(R"(\\-)"), "-"));
  }
  std::set<std::string> declared;
  for (const OptionEntry& option : OptionTable()) declared.insert(std::string(option.name));
  EXPECT_EQ(named, declared);
}

TEST(Options, ValuesAndErrors) {
  struct Case {
    std::vector<std::string> argv;
    std::string error;
    std::string check_file, png_folder;
    bool json = false;
    std::vector<std::string> headless_only;
  };
  const Case cases[] = {
      {{"--check", "--json", "a.zrn"}, "", "a.zrn", "", true, {}},
      {{"--check", "--json"}, "--check needs a value", "", "", true, {}},
      {{"--png", "Wave"}, "--png needs a value"},
      {{"--png", "Wave", "out", "x.zrn"}, "", "", "out"},
      {{"--fps", "121"}, "--fps takes a whole number of frames a second from 1 to 120"},
      {{"--seed", "4294967296"}, "--seed takes a whole number from 0 to 4294967295"},
      {{"--act", "2.5"},
       "--act takes \"SECONDS ACTION\", such as \"2.5 menu &Close\"",
       "",
       "",
       false,
       {"--act"}},
      {{"--clock", "x", "--act", "1 close", "--clock", "y"},
       "",
       "",
       "",
       false,
       {"--clock", "--act"}},
      {{"--nope"}, "unknown option --nope (see --help)"},
      {{"--", "--nope"}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argv.front());
    std::string error;
    const Options o = ParseOptions(c.argv, error);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(o.check_file.value_or(""), c.check_file);
    EXPECT_EQ(o.png_folder.value_or(""), c.png_folder);
    EXPECT_EQ(o.json, c.json);
    EXPECT_EQ(o.headless_only, c.headless_only);
  }
}

// A value that looks like one of ours stays a value.
TEST(Options, MeasuringRunDropsWhatItSetsItself) {
  std::string error;
  const Options o = ParseOptions({"--clipboard", "--record", "--record", "o.mp4", "--fps", "10",
                                  "--realtime", "--seed", "7", "--", "s.zrn", "--trace"},
                                 error);
  ASSERT_EQ(error, "");
  EXPECT_EQ(
      MeasuringArguments(o, "t.jsonl"),
      (std::vector<std::string>{"--clipboard", "--record", "--seed", "7", "--headless",
                                "--idle-exit", "--dry-run", "--tts-timing", "voice", "--trace",
                                "t.jsonl", "--screen", "1280x720", "--", "s.zrn", "--trace"}));
}

}  // namespace
}  // namespace zarn
