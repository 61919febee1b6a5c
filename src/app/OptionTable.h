#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/Options.h"

namespace zarn {

// Where an option has an effect; the desktop warns about headless-only ones.
enum class OptionScope {
  kEveryRun,
  kHeadless,   // the headless player (and the recorder, which plays headless)
  kRecording,  // only with --record
  kTool,       // a tool that runs instead of the player
};

// Whether the recording's measuring run gets the option as given, or sets
// its own in its place.
enum class Measuring { kPassOn, kReplaced };

// One of our options: everything the parser, --help, the man page and the
// recording's measuring run know about it.
struct OptionEntry {
  std::string_view name;
  // The values' names in --help ("FILE", "ANIMATION DIR"); empty for a switch.
  std::string_view value;
  // Arguments taken after the option (an optional "--json" first does not count).
  int values = 0;
  bool json_first = false;
  // Lines of --help, joined by '\n'.
  std::string_view help;
  OptionScope scope = OptionScope::kEveryRun;
  Measuring measuring = Measuring::kPassOn;
  // Stores the values; sets `error` when one is malformed.
  void (*apply)(Options& options, std::span<const std::string> values, std::string& error);
};

std::span<const OptionEntry> OptionTable();
// Null for a name that is not ours.
const OptionEntry* FindOption(std::string_view name);

// The measuring run's arguments: ours as given, less those it sets itself.
std::vector<std::string> MeasuringArguments(const Options& options, const std::string& trace);

}  // namespace zarn
