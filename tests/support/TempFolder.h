#pragma once

// Temporary folders and the test characters, for tests of any layer.

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "charfile/TestCharacters.h"

namespace zarn::testing {

// A fresh folder under the temp folder, removed with the object.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zarntest-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  // Writes a file; "\n" in a script text becomes CR LF when crlf is set.
  std::string Write(const std::string& name, const std::string& text, bool crlf = true) const {
    std::string body;
    for (char ch : text) {
      if (ch == '\n' && crlf) body += '\r';
      body += ch;
    }
    const std::string path = *this / name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << body;
    return path;
  }

 private:
  std::string path_;
};

// Writes the test characters once per process and returns their folder.
inline const std::string& TestCharacterFolder() {
  static TempFolder folder;
  static const bool written = [] {
    WriteTestCharacters(folder.Path());
    return true;
  }();
  (void)written;
  return folder.Path();
}

}  // namespace zarn::testing
