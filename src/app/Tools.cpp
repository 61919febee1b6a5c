#include "app/Tools.h"

#include <iostream>

#include "app/MakeExe.h"
#include "charfile/CharacterFile.h"
#include "charfile/TestCharacters.h"

namespace zarn {

std::optional<int> RunTool(const Options& options) {
  if (options.make_test_characters) {
    try {
      for (const auto& path : WriteTestCharacters(*options.make_test_characters)) {
        std::cout << path << "\n";
      }
      return 0;
    } catch (const std::exception& e) {
      std::cerr << "zarnplay: " << e.what() << "\n";
      return 1;
    }
  }
  if (options.make_exe_script && options.make_exe_output) {
    return MakeExe(*options.make_exe_script, *options.make_exe_output, std::cerr);
  }
  if (options.char_info_file || options.make_exe_script) {
    std::cerr << "zarnplay: this tool is not available in this build\n";
    return 2;
  }
  return std::nullopt;
}

}  // namespace zarn
