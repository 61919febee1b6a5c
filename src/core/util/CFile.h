#pragma once

#include <string>
#include <string_view>

namespace zarn {

class DesktopPort;

namespace bErrorTrap {
class Trap;
}

// Questions about paths and files, and writing whole text files. Paths may
// be Windows paths; lookups go through WinPath (letter case ignored when the
// exact name is missing).
class CFile {
 public:
  explicit CFile(bErrorTrap::Trap& errors, DesktopPort* desktop = nullptr)
      : errors_(errors), desktop_(desktop) {}

  // True when the file is gone afterwards (or was never there).
  bool KillFile(const std::string& psFile);
  // Split at the last `\` or `/`.
  std::string FileNameOnly(std::string_view psPathFile);
  std::string PathOnly(std::string_view psPathFile);
  // A file that exists and is not a folder; wildcards give false.
  bool FileExists(const std::string& psFile);
  bool FolderExists(const std::string& psFolder);
  // Creates or truncates the file and writes the text's bytes (UTF-8, as
  // the program holds text; reading decodes it back unchanged). No line
  // break is added.
  void WriteFile(const std::string& psFile, const std::string& psContents);

 private:
  bErrorTrap::Trap& errors_;
  DesktopPort* desktop_;
};

}  // namespace zarn
