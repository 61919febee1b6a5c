#pragma once

#include <ctime>
#include <optional>
#include <string>

#include "ports/EnvironmentPort.h"
#include "ports/Scheduler.h"

namespace zarn {

// Set by `zarnplay` for the module program it starts: the path of the
// program the user ran, which the module stands in for.
inline constexpr char kStartedAsVariable[] = "ZARN_STARTED_AS";

// The real process environment, with the clock following the scheduler's
// time from a fixed or real start.
class RunEnvironment : public EnvironmentPort {
 public:
  RunEnvironment(const Scheduler& clock, std::string command_line, uint32_t seed,
                 std::optional<std::time_t> start_time);

  std::string TempPath() const override;
  std::string GetEnv(const std::string& name) const override;
  std::vector<std::string> EnvironmentStrings() const override;
  LocalTime Now() const override;
  std::string CommandLine() const override { return command_line_; }
  std::optional<StartArguments> Arguments() const override { return arguments_; }
  void SetArguments(std::optional<StartArguments> arguments) { arguments_ = std::move(arguments); }
  std::string ExecutablePath() const override;
  uint32_t RandomSeed() const override { return seed_; }

  // Tests play the program under another executable name.
  void SetExecutablePath(std::string path) { exe_path_ = std::move(path); }

  // "YYYY-MM-DD HH:MM:SS" as local time; none when malformed.
  static std::optional<std::time_t> ParseClock(const std::string& text);

 private:
  const Scheduler& clock_;
  std::string command_line_;
  std::optional<StartArguments> arguments_;
  uint32_t seed_;
  std::time_t start_;
  std::string exe_path_;
};

}  // namespace zarn
