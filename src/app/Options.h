#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ports/EnvironmentPort.h"

namespace zarn {

// A user action at a virtual time (--act "T ACTION").
struct ScheduledAction {
  int64_t at_ms = 0;
  std::string action;  // "menu &Close", "command Hello 90", "close", ...
};

// Our own options, which start with "--" and come before the program's
// command line; "--" ends them.
struct Options {
  // Every argument as given (a recording replays them to measure its length).
  std::vector<std::string> given;
  bool headless = false;
  bool realtime = false;
  bool idle_exit = false;
  bool dry_run = false;
  // Scripts from the network may start programs, type keys, close windows.
  bool allow_shell = false;
  bool help = false;
  bool version = false;
  std::optional<std::string> trace_file;
  int screen_width = 1024;
  int screen_height = 768;
  bool screen_given = false;
  uint32_t seed = 1;
  std::optional<std::string> clock;
  std::optional<std::string> clipboard;
  std::vector<ScheduledAction> actions;
  // The options given that only the headless player uses, each named once.
  std::vector<std::string> headless_only;
  // Where speech timing comes from (--tts-timing): "words" (the
  // words-per-minute model), "espeak" or "flite" (that engine for every
  // character) or "voice" (each character's own voice, as a desktop has it).
  std::string tts_timing = "words";
  // --voice ENGINE[:VOICE]: every character's voice for this run.
  std::optional<std::string> voice;
  bool list_voices = false;
  // Records the performance to a video file instead of showing it.
  std::optional<std::string> record_file;
  int fps = 30;

  // The character service on the session bus (--service); --say speaks
  // the program's arguments through it.
  bool service = false;
  bool say = false;
  // A desktop run plays through the service when one is on the bus;
  // --service-client insists on it, --no-service plays alone.
  bool service_client = false;
  bool no_service = false;
  std::optional<std::string> say_character;

  // Tools that run instead of the player.
  std::optional<std::string> char_info_file;
  std::optional<std::string> check_file;
  bool list_characters = false;
  bool json = false;
  std::optional<std::string> png_animation;
  std::optional<std::string> png_folder;
  std::optional<std::string> make_exe_script;
  std::optional<std::string> make_exe_output;
  std::optional<std::string> make_test_characters;
  // --unpack-character FILE DIR, --make-character PROJECT.acd OUT.acs
  std::optional<std::string> unpack_character_file;
  std::optional<std::string> unpack_folder;
  std::optional<std::string> make_character_project;
  std::optional<std::string> make_character_output;

  // The program's own arguments (not ours), joined by single blanks.
  std::string command_line;
  // The same one by one; none for a single Windows-style command line.
  std::optional<StartArguments> arguments;
  // Arguments after the script that are neither variables nor /CLOSEALL.
  std::vector<std::string> ignored;
};

// Classifies the program's own arguments: the first is the script, later
// "/name=value" ones are variables, "/CLOSEALL" (any letter case) only as
// an argument of its own.
void SplitCommandLine(const std::vector<std::string>& args, Options& options);

// Parses argv; on a malformed option returns the message in `error`.
Options ParseOptions(const std::vector<std::string>& args, std::string& error);

std::string UsageText();

}  // namespace zarn
