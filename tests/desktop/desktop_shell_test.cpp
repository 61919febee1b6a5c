#include <gtest/gtest.h>

#include "platform/desktop/DesktopShell.h"

namespace zarn {
namespace {

TEST(DesktopShellTest, WindowsProgramsStandForOpeningTheirArgument) {
  const struct {
    const char* command;
    std::optional<std::string> document;
  } cases[] = {
      {"notepad.exe C:\\Notes\\a.txt", "C:\\Notes\\a.txt"},
      {"NOTEPAD readme.txt", "readme.txt"},
      {"C:\\Windows\\explorer.exe \"C:\\My Folder\"", "C:\\My Folder"},
      {"iexplore.exe http://example.org/", "http://example.org/"},
      {"notepad.exe", std::nullopt},
      {"notepad.exe a.txt b.txt", std::nullopt},
      {"calc.exe 1", std::nullopt},
      {"mynotepad.exe a.txt", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    EXPECT_EQ(DesktopShell::MappedDocument(c.command), c.document);
  }
}

}  // namespace
}  // namespace zarn
