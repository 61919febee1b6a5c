#include "app/Options.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "base/VbString.h"
#include "platform/speech/VoiceChoice.h"

namespace zarn {
namespace {

bool ParseSeconds(const std::string& text, int64_t& millis) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const double seconds = std::strtod(text.c_str(), &end);
  if (errno != 0 || end == text.c_str() || *end != '\0' || !std::isfinite(seconds) || seconds < 0 ||
      seconds > 1e9) {
    return false;
  }
  millis = static_cast<int64_t>(std::llround(seconds * 1000.0));
  return true;
}

bool ParseScreen(const std::string& text, int& width, int& height) {
  const auto x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  char* end = nullptr;
  // Parsed from a copy that lives as long as `end` points into it.
  const std::string first = text.substr(0, x);
  const long w = std::strtol(first.c_str(), &end, 10);
  if (*end != '\0' || x == 0) return false;
  const std::string rest = text.substr(x + 1);
  const long h = std::strtol(rest.c_str(), &end, 10);
  if (*end != '\0' || rest.empty()) return false;
  if (w < 1 || h < 1 || w > 100000 || h > 100000) return false;
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  return true;
}

bool IsCloseAll(const std::string& arg) { return arg.size() == 9 && UCase(arg) == "/CLOSEALL"; }

bool IsHeadlessOnly(const std::string& option) {
  for (const char* name : {"--idle-exit", "--screen", "--clock", "--clipboard", "--act"}) {
    if (option == name) return true;
  }
  return false;
}

}  // namespace

void SplitCommandLine(const std::vector<std::string>& args, Options& options) {
  options.command_line.clear();
  for (const std::string& arg : args) {
    if (!options.command_line.empty()) options.command_line += ' ';
    options.command_line += arg;
  }
  // One argument holding "path /a=1" is a Windows-style command line (a
  // launcher or a self-running copy passes those): start-up cuts it.
  if (args.size() == 1 && args[0].find(" /") != std::string::npos &&
      !std::filesystem::exists(args[0])) {
    options.arguments.reset();
    return;
  }
  StartArguments parts;
  bool script_seen = false;
  for (const std::string& arg : args) {
    if (IsCloseAll(arg)) {
      parts.close_all = true;
    } else if (!script_seen) {
      parts.script = arg;
      script_seen = true;
    } else if (arg.size() > 1 && arg[0] == '/' && arg.find('=') != std::string::npos) {
      // As the Windows command line cuts it: the text up to the next "=".
      const size_t eq = arg.find('=');
      const size_t next = arg.find('=', eq + 1);
      parts.variables.emplace_back(arg.substr(1, eq - 1), arg.substr(eq + 1, next - eq - 1));
    } else {
      options.ignored.push_back(arg);
    }
  }
  options.arguments = std::move(parts);
}

std::string UsageText() {
  return "Usage: zarnplay [OPTIONS] [--] [SCRIPT] [/name=value ...] [/CLOSEALL]\n"
         "\n"
         "Plays a ZARN script (.zrn, .zrs) with animated characters.\n"
         "\n"
         "Options:\n"
         "  --headless              no windows, no sound, virtual time, timeline on stdout\n"
         "  --trace FILE            write every call, event and action as JSON Lines\n"
         "  --realtime              headless, paced by the wall clock\n"
         "  --idle-exit             headless: end when nothing is pending\n"
         "  --screen WxH            screen size in pixels (default 1024x768)\n"
         "  --seed N                seed for every random choice (default 1)\n"
         "  --clock \"YYYY-MM-DD HH:MM:SS\"  local time at start-up\n"
         "  --clipboard TEXT        headless clipboard content\n"
         "  --dry-run               record shell actions without doing them\n"
         "  --allow-shell           let scripts from the network start programs,\n"
         "                          type keys and close windows without asking\n"
         "  --tts-timing MODEL      speech timing: words (words per minute, the\n"
         "                          default), espeak or flite (that engine's own for\n"
         "                          every character, no audio) or voice (each\n"
         "                          character's own voice)\n"
         "  --voice ENGINE[:VOICE]  every character's voice for this run (flite:slt,\n"
         "                          espeak:en-gb+m3)\n"
         "  --list-voices           list the installed voices\n"
         "  --act \"T ACTION\"        a user action at T seconds (menu CAPTION,\n"
         "                          tray-right-click, command NAME [CONF ...], close,\n"
         "                          hear FILE.wav, backdrop ..., dialog PATH)\n"
         "  --record FILE           record the performance to a video (.mp4, .webm\n"
         "                          with a see-through background, .gif) in virtual\n"
         "                          time; programs, keys and window closing are only\n"
         "                          traced unless --allow-shell\n"
         "  --fps N                 frames a second of the recording (default 30);\n"
         "                          its size is --screen's (default 1280x720)\n"
         "  --char-info [--json] FILE   describe a character file and exit\n"
         "  --check [--json] SCRIPT     report what in a script would do nothing or fail\n"
         "  --list-characters       list the installed characters and their files\n"
         "  --png ANIMATION DIR     with --char-info: write the animation's frames as PNG\n"
         "  --make-exe SCRIPT OUTPUT    write a self-running copy with SCRIPT appended\n"
         "  --make-test-characters DIR  write the bundled test characters\n"
         "  --unpack-character FILE DIR   write a character as an editor project (.acd)\n"
         "  --make-character PROJECT.acd OUT.acs   build a character from a project\n"
         "  --service               serve the characters to other programs on the\n"
         "                          session bus (with --headless: without drawing)\n"
         "  --service-client SCRIPT play the script's characters through the running\n"
         "                          service (a desktop run does so by itself when\n"
         "                          one is on the bus; --no-service plays alone)\n"
         "  --say [--character NAME] TEXT   a character of the running service says\n"
         "                          TEXT\n"
         "  --help, --version\n";
}

Options ParseOptions(const std::vector<std::string>& args, std::string& error) {
  Options options;
  options.given = args;
  size_t i = 0;
  auto value = [&](const std::string& name) -> std::optional<std::string> {
    if (i + 1 >= args.size()) {
      error = name + " needs a value";
      return std::nullopt;
    }
    return args[++i];
  };
  std::vector<std::string> positional;
  for (; i < args.size() && error.empty(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") {
      ++i;
      break;
    }
    if (arg.rfind("--", 0) != 0) {
      positional.push_back(arg);
      continue;
    }
    if (IsHeadlessOnly(arg) && std::find(options.headless_only.begin(), options.headless_only.end(),
                                         arg) == options.headless_only.end()) {
      options.headless_only.push_back(arg);
    }
    if (arg == "--headless") {
      options.headless = true;
    } else if (arg == "--realtime") {
      options.realtime = options.headless = true;
    } else if (arg == "--idle-exit") {
      options.idle_exit = true;
    } else if (arg == "--dry-run") {
      options.dry_run = true;
    } else if (arg == "--allow-shell") {
      options.allow_shell = true;
    } else if (arg == "--help") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg == "--json") {
      options.json = true;
    } else if (arg == "--trace") {
      if (auto v = value(arg)) options.trace_file = *v;
    } else if (arg == "--screen") {
      if (auto v = value(arg); v && !ParseScreen(*v, options.screen_width, options.screen_height)) {
        error = "--screen takes WIDTHxHEIGHT in pixels, such as 1024x768";
      }
      options.screen_given = true;
    } else if (arg == "--record") {
      if (auto v = value(arg)) options.record_file = *v;
    } else if (arg == "--fps") {
      if (auto v = value(arg)) {
        char* end = nullptr;
        const long fps = std::strtol(v->c_str(), &end, 10);
        if (v->empty() || *end != '\0' || fps < 1 || fps > 120) {
          error = "--fps takes a whole number of frames a second from 1 to 120";
        } else {
          options.fps = static_cast<int>(fps);
        }
      }
    } else if (arg == "--seed") {
      if (auto v = value(arg)) {
        char* end = nullptr;
        errno = 0;
        const unsigned long long seed = std::strtoull(v->c_str(), &end, 10);
        if (v->empty() || *end != '\0' || errno != 0 || seed > 0xFFFFFFFFull) {
          error = "--seed takes a whole number from 0 to 4294967295";
        } else {
          options.seed = static_cast<uint32_t>(seed);
        }
      }
    } else if (arg == "--clock") {
      if (auto v = value(arg)) options.clock = *v;
    } else if (arg == "--tts-timing") {
      if (auto v = value(arg)) {
        if (*v == "espeak" || *v == "words" || *v == "flite" || *v == "voice") {
          options.tts_timing = *v;
        } else {
          error = "--tts-timing takes words, espeak, flite or voice";
        }
      }
    } else if (arg == "--voice") {
      if (auto v = value(arg)) {
        options.voice = *v;
        if (!ParseChosenVoice(*v))
          error = "--voice takes ENGINE[:VOICE], such as flite:slt (see --list-voices)";
      }
    } else if (arg == "--list-voices") {
      options.list_voices = true;
    } else if (arg == "--clipboard") {
      if (auto v = value(arg)) options.clipboard = *v;
    } else if (arg == "--act") {
      if (auto v = value(arg)) {
        const auto blank = v->find(' ');
        ScheduledAction action;
        if (blank == std::string::npos || !ParseSeconds(v->substr(0, blank), action.at_ms)) {
          error = "--act takes \"SECONDS ACTION\", such as \"2.5 menu &Close\"";
        } else {
          action.action = v->substr(blank + 1);
          options.actions.push_back(std::move(action));
        }
      }
    } else if (arg == "--char-info") {
      if (i + 1 < args.size() && args[i + 1] == "--json") {
        options.json = true;
        ++i;
      }
      if (auto v = value(arg)) options.char_info_file = *v;
    } else if (arg == "--list-characters") {
      options.list_characters = true;
    } else if (arg == "--check") {
      if (i + 1 < args.size() && args[i + 1] == "--json") {
        options.json = true;
        ++i;
      }
      if (auto v = value(arg)) options.check_file = *v;
    } else if (arg == "--png") {
      if (auto a = value(arg)) {
        options.png_animation = *a;
        if (auto d = value(arg)) options.png_folder = *d;
      }
    } else if (arg == "--make-exe") {
      if (auto s = value(arg)) {
        options.make_exe_script = *s;
        if (auto o = value(arg)) options.make_exe_output = *o;
      }
    } else if (arg == "--unpack-character") {
      if (auto f = value(arg)) {
        options.unpack_character_file = *f;
        if (auto d = value(arg)) options.unpack_folder = *d;
      }
    } else if (arg == "--make-character") {
      if (auto f = value(arg)) {
        options.make_character_project = *f;
        if (auto o = value(arg)) options.make_character_output = *o;
      }
    } else if (arg == "--service") {
      options.service = true;
    } else if (arg == "--service-client") {
      options.service_client = true;
    } else if (arg == "--no-service") {
      options.no_service = true;
    } else if (arg == "--say") {
      options.say = true;
    } else if (arg == "--character") {
      if (auto v = value(arg)) options.say_character = *v;
    } else if (arg == "--make-test-characters") {
      if (auto v = value(arg)) options.make_test_characters = *v;
    } else {
      error = "unknown option " + arg + " (see --help)";
    }
  }
  for (; i < args.size(); ++i) positional.push_back(args[i]);
  SplitCommandLine(positional, options);
  return options;
}

}  // namespace zarn
