#include "platform/common/RunEnvironment.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "backend/WindowsNames.h"

extern char** environ;

namespace zarn {

RunEnvironment::RunEnvironment(const Scheduler& clock, std::string command_line, uint32_t seed,
                               std::optional<std::time_t> start_time)
    : clock_(clock),
      command_line_(std::move(command_line)),
      seed_(seed),
      start_(start_time ? *start_time : std::time(nullptr)) {}

std::string RunEnvironment::TempPath() const {
  std::string path;
  if (const char* dir = std::getenv("TMPDIR"); dir != nullptr && *dir != '\0') path = dir;
  if (path.empty()) path = "/tmp";
  if (path.back() != '/') path += '/';
  return path;
}

std::string RunEnvironment::GetEnv(const std::string& name) const {
  if (const char* value = std::getenv(name.c_str())) return value;
  return WindowsNameValue(name, TempPath()).value_or("");
}

std::vector<std::string> RunEnvironment::EnvironmentStrings() const {
  std::vector<std::string> entries;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    entries.emplace_back(*entry);
  }
  AddWindowsNames(entries, TempPath());
  return entries;
}

LocalTime RunEnvironment::Now() const {
  const std::time_t now = start_ + static_cast<std::time_t>(clock_.Now() / 1000);
  std::tm tm{};
  localtime_r(&now, &tm);
  LocalTime t;
  t.year = tm.tm_year + 1900;
  t.month = tm.tm_mon + 1;
  t.day = tm.tm_mday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = tm.tm_sec;
  t.weekday = tm.tm_wday;
  return t;
}

std::string RunEnvironment::ExecutablePath() const {
  if (!exe_path_.empty()) return exe_path_;
  if (const char* started_as = std::getenv(kStartedAsVariable);
      started_as != nullptr && *started_as != '\0') {
    return started_as;
  }
  std::error_code ec;
  auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : path.string();
}

std::optional<std::time_t> RunEnvironment::ParseClock(const std::string& text) {
  std::tm tm{};
  int year, month, day, hour, minute, second;
  char tail;
  if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%c", &year, &month, &day, &hour, &minute, &second,
                  &tail) != 6) {
    return std::nullopt;
  }
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 ||
      minute > 59 || second < 0 || second > 60) {
    return std::nullopt;
  }
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1)) return std::nullopt;
  return t;
}

}  // namespace zarn
