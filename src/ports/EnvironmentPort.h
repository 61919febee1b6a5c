#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zarn {

struct LocalTime {
  int year = 2000, month = 1, day = 1;  // month 1-12
  int hour = 0, minute = 0, second = 0;
  int weekday = 6;  // 0 = Sunday
};

// The command line as an argument vector gave it: the script, the
// /name=value variables and the /CLOSEALL switch, each an argument of its
// own (a path may then hold "/" and "=" freely).
struct StartArguments {
  std::string script;
  std::vector<std::pair<std::string, std::string>> variables;
  bool close_all = false;
};

// The process and its surroundings: temp folder, environment variables,
// clock, command line, own executable.
class EnvironmentPort {
 public:
  virtual ~EnvironmentPort() = default;
  // The temporary folder, ending with a separator.
  virtual std::string TempPath() const = 0;
  virtual std::string GetEnv(const std::string& name) const = 0;
  // "NAME=value" entries in the platform's order.
  virtual std::vector<std::string> EnvironmentStrings() const = 0;
  virtual LocalTime Now() const = 0;
  // The program's command line after our own -- options: argv joined by blanks.
  virtual std::string CommandLine() const = 0;
  // The arguments one by one; none when the command line came as one
  // Windows-style string, which start-up then cuts itself.
  virtual std::optional<StartArguments> Arguments() const { return std::nullopt; }
  // Real path of the running executable, letter case kept.
  virtual std::string ExecutablePath() const = 0;
  virtual uint32_t RandomSeed() const = 0;
};

}  // namespace zarn
