#pragma once

// What /proc says about a child the desktop tests started.

#include <sys/types.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace zarn::testing {

// A "Vm..." line of /proc/PID/status in kB, or -1 once the process is gone.
inline long StatusKb(pid_t pid, const std::string& field) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
  }
  return -1;
}

inline int OpenFiles(pid_t pid) {
  std::error_code ec;
  int count = 0;
  for (std::filesystem::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", ec), end;
       !ec && it != end; it.increment(ec)) {
    ++count;
  }
  return count;
}

}  // namespace zarn::testing
