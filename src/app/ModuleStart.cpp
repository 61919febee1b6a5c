#include "app/ModuleStart.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "platform/common/RunEnvironment.h"

namespace zarn {
namespace {

// A recording has a module of its own: FFmpeg's libraries would otherwise
// load before every desktop run's first frame.
std::string ModuleFor(const std::string& backend) {
  return backend == "recording" ? "zarnplay-record" : "zarnplay-desktop";
}

}  // namespace

std::string ModuleOption(const std::string& backend) {
  if (backend == "recording") return "-DZARN_RECORD=ON";
  if (backend == "listening") return "-DZARN_LISTEN=ON";
  return "-DZARN_DESKTOP=ON";
}

std::vector<std::string> ModuleCandidates(const std::string& self_path, const char* module_dir,
                                          const std::string& module) {
  if (module_dir != nullptr && *module_dir != '\0') {
    return {(std::filesystem::path(module_dir) / module).string()};
  }
  const std::filesystem::path folder = std::filesystem::path(self_path).parent_path();
  std::vector<std::string> candidates{
      (folder / module).string(),
      (folder.parent_path() / "lib" / "zarnplay" / module).lexically_normal().string()};
  // A copy made elsewhere (--make-exe) still finds the installed module.
  const std::string installed = std::string(ZARN_INSTALLED_MODULE_DIR) + "/" + module;
  if (installed != candidates.back()) candidates.push_back(installed);
  return candidates;
}

int StartModule(const std::string& backend, const std::vector<std::string>& args) {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  const std::vector<std::string> candidates = ModuleCandidates(
      ec ? std::string() : self.string(), std::getenv("ZARNPLAY_MODULE_DIR"), ModuleFor(backend));
  for (const std::string& path : candidates) {
    if (access(path.c_str(), X_OK) != 0) continue;
    // The module is this program to the script (its path, an embedded
    // script, the main window's title).
    if (!ec) setenv(kStartedAsVariable, self.c_str(), 1);
    std::vector<std::string> owned = args;
    // Named as the program the user started: Qt makes the windows' class
    // from it, which window managers and the tests match.
    std::string name = "zarnplay";
    std::vector<char*> argv{name.data()};
    for (std::string& arg : owned) argv.push_back(arg.data());
    argv.push_back(nullptr);
    execv(path.c_str(), argv.data());
    std::cerr << "zarnplay: cannot start " << path << " for " << backend << ": "
              << std::generic_category().message(errno) << "\n";
    return 2;
  }
  std::cerr << "zarnplay: " << backend << " needs the module " << ModuleFor(backend)
            << ", which is not installed (looked in " << candidates.front()
            << (candidates.size() > 1 ? " and " + candidates.back() : std::string())
            << "); install the zarnplay package or build with " << ModuleOption(backend) << "\n";
  return 2;
}

}  // namespace zarn
