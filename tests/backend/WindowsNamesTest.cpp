#include <gtest/gtest.h>

#include <cstdlib>

#include "backend/WindowsNames.h"

namespace zarn {
namespace {

TEST(WindowsNames, LinuxValuesForTheNamesScriptsUse) {
  setenv("HOME", "/home/ann", 1);
  setenv("XDG_CONFIG_HOME", "/home/ann/cfg", 1);
  struct Case {
    const char* name;
    std::optional<std::string> value;
  };
  const Case cases[] = {
      {"TEMP", "/var/tmp"},         {"tmp", "/var/tmp"},      {"UserProfile", "/home/ann"},
      {"APPDATA", "/home/ann/cfg"}, {"WINDIR", std::nullopt}, {"SystemRoot", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(WindowsNameValue(c.name, "/var/tmp/"), c.value);
  }
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(WindowsNameValue("APPDATA", "/tmp/"), "/home/ann/.config");

  // Names the environment defines keep their own values.
  std::vector<std::string> entries{"Temp=C:\\T", "PATH=/bin"};
  AddWindowsNames(entries, "/tmp/");
  EXPECT_EQ(entries,
            (std::vector<std::string>{"Temp=C:\\T", "PATH=/bin", "TMP=/tmp",
                                      "USERPROFILE=/home/ann", "APPDATA=/home/ann/.config"}));
}

}  // namespace
}  // namespace zarn
