#include "app/Tools.h"

#include <iostream>

namespace zarn {

std::optional<int> RunTool(const Options& options) {
  if (options.char_info_file || options.make_test_characters || options.make_exe_script) {
    std::cerr << "zarnplay: this tool is not available in this build\n";
    return 2;
  }
  return std::nullopt;
}

}  // namespace zarn
