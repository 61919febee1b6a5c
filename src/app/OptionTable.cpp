#include "app/OptionTable.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "platform/speech/VoiceChoice.h"

namespace zarn {
namespace {

using Values = std::span<const std::string>;

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

void Screen(Options& o, Values v, std::string& error) {
  if (!ParseScreen(v[0], o.screen_width, o.screen_height)) {
    error = "--screen takes WIDTHxHEIGHT in pixels, such as 1024x768";
  }
  o.screen_given = true;
}

void Fps(Options& o, Values v, std::string& error) {
  char* end = nullptr;
  const long fps = std::strtol(v[0].c_str(), &end, 10);
  if (v[0].empty() || *end != '\0' || fps < 1 || fps > 120) {
    error = "--fps takes a whole number of frames a second from 1 to 120";
  } else {
    o.fps = static_cast<int>(fps);
  }
}

void Seed(Options& o, Values v, std::string& error) {
  char* end = nullptr;
  errno = 0;
  const unsigned long long seed = std::strtoull(v[0].c_str(), &end, 10);
  if (v[0].empty() || *end != '\0' || errno != 0 || seed > 0xFFFFFFFFull) {
    error = "--seed takes a whole number from 0 to 4294967295";
  } else {
    o.seed = static_cast<uint32_t>(seed);
  }
}

void TtsTiming(Options& o, Values v, std::string& error) {
  if (v[0] == "espeak" || v[0] == "words" || v[0] == "flite" || v[0] == "voice") {
    o.tts_timing = v[0];
  } else {
    error = "--tts-timing takes words, espeak, flite or voice";
  }
}

void Voice(Options& o, Values v, std::string& error) {
  o.voice = v[0];
  if (!ParseChosenVoice(v[0])) {
    error = "--voice takes ENGINE[:VOICE], such as flite:slt (see --list-voices)";
  }
}

void Act(Options& o, Values v, std::string& error) {
  const auto blank = v[0].find(' ');
  ScheduledAction action;
  if (blank == std::string::npos || !ParseSeconds(v[0].substr(0, blank), action.at_ms)) {
    error = "--act takes \"SECONDS ACTION\", such as \"2.5 menu &Close\"";
    return;
  }
  action.action = v[0].substr(blank + 1);
  o.actions.push_back(std::move(action));
}

// clang-format off
constexpr OptionEntry kOptions[] = {
  {"--headless", "", 0, false, "no windows, no sound, virtual time, timeline on stdout",
   OptionScope::kEveryRun, Measuring::kPassOn,
   [](Options& o, Values, std::string&) { o.headless = true; }},
  {"--trace", "FILE", 1, false, "write every call, event and action as JSON Lines",
   OptionScope::kEveryRun, Measuring::kReplaced,
   [](Options& o, Values v, std::string&) { o.trace_file = v[0]; }},
  {"--realtime", "", 0, false, "headless, paced by the wall clock",
   OptionScope::kEveryRun, Measuring::kReplaced,
   [](Options& o, Values, std::string&) { o.realtime = o.headless = true; }},
  {"--idle-exit", "", 0, false, "headless: end when nothing is pending",
   OptionScope::kHeadless, Measuring::kPassOn,
   [](Options& o, Values, std::string&) { o.idle_exit = true; }},
  {"--screen", "WxH", 1, false, "screen size in pixels (default 1024x768)",
   OptionScope::kHeadless, Measuring::kPassOn, Screen},
  {"--seed", "N", 1, false, "seed for every random choice (default 1)",
   OptionScope::kEveryRun, Measuring::kPassOn, Seed},
  {"--clock", "\"YYYY-MM-DD HH:MM:SS\"", 1, false, "local time at start-up",
   OptionScope::kHeadless, Measuring::kPassOn,
   [](Options& o, Values v, std::string&) { o.clock = v[0]; }},
  {"--clipboard", "TEXT", 1, false, "headless clipboard content",
   OptionScope::kHeadless, Measuring::kPassOn,
   [](Options& o, Values v, std::string&) { o.clipboard = v[0]; }},
  {"--dry-run", "", 0, false, "record shell actions without doing them",
   OptionScope::kEveryRun, Measuring::kPassOn,
   [](Options& o, Values, std::string&) { o.dry_run = true; }},
  {"--allow-shell", "", 0, false,
   "let scripts from the network start programs,\ntype keys and close windows without asking",
   OptionScope::kEveryRun, Measuring::kPassOn,
   [](Options& o, Values, std::string&) { o.allow_shell = true; }},
  {"--tts-timing", "MODEL", 1, false,
   "speech timing: words (words per minute, the\ndefault), espeak or flite (that engine's own "
   "for\nevery character, no audio) or voice (each\ncharacter's own voice)",
   OptionScope::kEveryRun, Measuring::kReplaced, TtsTiming},
  {"--voice", "ENGINE[:VOICE]", 1, false,
   "every character's voice for this run (flite:slt,\nespeak:en-gb+m3)",
   OptionScope::kEveryRun, Measuring::kPassOn, Voice},
  {"--list-voices", "", 0, false, "list the installed voices",
   OptionScope::kTool, Measuring::kPassOn,
   [](Options& o, Values, std::string&) { o.list_voices = true; }},
  {"--act", "\"T ACTION\"", 1, false,
   "a user action at T seconds (menu CAPTION,\ntray-right-click, command NAME [CONF ...], "
   "close,\nhear FILE.wav, backdrop ..., dialog PATH)",
   OptionScope::kHeadless, Measuring::kPassOn, Act},
  {"--record", "FILE", 1, false,
   "record the performance to a video (.mp4, .webm\nwith a see-through background, .gif) in "
   "virtual\ntime; programs, keys and window closing are only\ntraced unless --allow-shell",
   OptionScope::kRecording, Measuring::kReplaced,
   [](Options& o, Values v, std::string&) { o.record_file = v[0]; }},
  {"--fps", "N", 1, false,
   "frames a second of the recording (default 30);\nits size is --screen's (default 1280x720)",
   OptionScope::kRecording, Measuring::kReplaced, Fps},
  {"--char-info", "[--json] FILE", 1, true, "describe a character file and exit",
   OptionScope::kTool, Measuring::kPassOn,
   [](Options& o, Values v, std::string&) { o.char_info_file = v[0]; }},
  {"--check", "[--json] SCRIPT", 1, true, "report what in a script would do nothing or fail",
   OptionScope::kTool, Measuring::kPassOn,
   [](Options& o, Values v, std::string&) { o.check_file = v[0]; }},
  {"--json", "", 0, false, "with --check or --char-info: answer in JSON",
   OptionScope::kTool, Measuring::kPassOn,
   [](Options& o, Values, std::string&) { o.json = true; }},
  {"--list-characters", "", 0, false, "list the installed characters and their files",
   OptionScope::kTool, Measuring::kPassOn,
   [](Options& o, Values, std::string&) { o.list_characters = true; }},
  {"--png", "ANIMATION DIR", 2, false, "with --char-info: write the animation's frames as PNG",
   OptionScope::kTool, Measuring::kPassOn,
   [](Options& o, Values v, std::string&) {
     o.png_animation = v[0];
     o.png_folder = v[1];
   }},
  {"--make-exe", "SCRIPT OUTPUT", 2, false, "write a self-running copy with SCRIPT appended",
   OptionScope::kTool, Measuring::kPassOn,
   [](Options& o, Values v, std::string&) {
     o.make_exe_script = v[0];
     o.make_exe_output = v[1];
   }},
  {"--make-test-characters", "DIR", 1, false, "write the bundled test characters",
   OptionScope::kTool, Measuring::kPassOn,
   [](Options& o, Values v, std::string&) { o.make_test_characters = v[0]; }},
  {"--unpack-character", "FILE DIR", 2, false, "write a character as an editor project (.acd)",
   OptionScope::kTool, Measuring::kPassOn,
   [](Options& o, Values v, std::string&) {
     o.unpack_character_file = v[0];
     o.unpack_folder = v[1];
   }},
  {"--make-character", "PROJECT.acd OUT.acs", 2, false, "build a character from a project",
   OptionScope::kTool, Measuring::kPassOn,
   [](Options& o, Values v, std::string&) {
     o.make_character_project = v[0];
     o.make_character_output = v[1];
   }},
  {"--service", "", 0, false, "serve the characters to other programs on the\n"
   "session bus (with --headless: without drawing)",
   OptionScope::kTool, Measuring::kPassOn,
   [](Options& o, Values, std::string&) { o.service = true; }},
  {"--service-client", "", 0, false, "play SCRIPT's characters through the running\n"
   "service (a desktop run does so by itself when\none is on the bus)",
   OptionScope::kEveryRun, Measuring::kPassOn,
   [](Options& o, Values, std::string&) { o.service_client = true; }},
  {"--no-service", "", 0, false, "play alone even when the service is on the bus",
   OptionScope::kEveryRun, Measuring::kPassOn,
   [](Options& o, Values, std::string&) { o.no_service = true; }},
  {"--say", "", 0, false, "a character of the running service says TEXT\n"
   "(the words after the options)",
   OptionScope::kTool, Measuring::kPassOn,
   [](Options& o, Values, std::string&) { o.say = true; }},
  {"--character", "NAME", 1, false, "with --say: the character that speaks",
   OptionScope::kTool, Measuring::kPassOn,
   [](Options& o, Values v, std::string&) { o.say_character = v[0]; }},
  {"--help", "", 0, false, "show this text and exit",
   OptionScope::kTool, Measuring::kPassOn,
   [](Options& o, Values, std::string&) { o.help = true; }},
  {"--version", "", 0, false, "show the version and exit",
   OptionScope::kTool, Measuring::kPassOn,
   [](Options& o, Values, std::string&) { o.version = true; }},
};
// clang-format on

}  // namespace

std::span<const OptionEntry> OptionTable() { return kOptions; }

const OptionEntry* FindOption(std::string_view name) {
  for (const OptionEntry& option : kOptions) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

// The arguments for a run that only measures: ours without the recording's
// own, then headless, ending when idle, shell actions only traced, speech
// timed by each character's voice as the recording times it.
std::vector<std::string> MeasuringArguments(const Options& options, const std::string& trace) {
  std::vector<std::string> args;
  size_t i = 0;
  for (; i < options.given.size() && options.given[i] != "--"; ++i) {
    const std::string& arg = options.given[i];
    const OptionEntry* option = FindOption(arg);
    if (option == nullptr) {
      args.push_back(arg);
      continue;
    }
    // The option with its values, as the parser took them.
    size_t end = i + 1;
    if (option->json_first && end < options.given.size() && options.given[end] == "--json") ++end;
    end = std::min(end + static_cast<size_t>(option->values), options.given.size());
    if (option->measuring == Measuring::kPassOn) {
      args.insert(args.end(), options.given.begin() + static_cast<std::ptrdiff_t>(i),
                  options.given.begin() + static_cast<std::ptrdiff_t>(end));
    }
    i = end - 1;
  }
  for (const char* arg : {"--headless", "--idle-exit", "--dry-run", "--tts-timing"}) {
    args.emplace_back(arg);
  }
  const bool one_engine = options.tts_timing == "espeak" || options.tts_timing == "flite";
  args.push_back(one_engine ? options.tts_timing : "voice");
  args.insert(args.end(), {"--trace", trace});
  // The recording's frame, which is also the script's screen.
  const int width = options.screen_given ? options.screen_width : 1280;
  const int height = options.screen_given ? options.screen_height : 720;
  args.insert(args.end(), {"--screen", std::to_string(width) + "x" + std::to_string(height)});
  args.insert(args.end(), options.given.begin() + static_cast<std::ptrdiff_t>(i),
              options.given.end());
  return args;
}

}  // namespace zarn
