#include "app/Application.h"

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <sstream>

#include "app/CharacterServiceFactory.h"
#include "app/HeadlessActions.h"
#include "app/ModuleStart.h"
#include "app/Player.h"
#include "app/Tools.h"
#include "app/Voices.h"
#include "base/VbError.h"
#include "charengine/CharacterEngine.h"
#include "core/agent/CAgent.h"
#include "platform/common/ClipboardHold.h"
#include "platform/common/RunEnvironment.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/speech/EspeakSynthesizer.h"

namespace zarn {

int RunPlayer(const Options& options, const Backends& backends) {
  HeadlessSettings settings;
  if (options.clock) {
    settings.start_time = RunEnvironment::ParseClock(*options.clock);
    if (!settings.start_time) {
      std::cerr << "zarnplay: --clock takes \"YYYY-MM-DD HH:MM:SS\"\n";
      return 2;
    }
  }
  settings.realtime = options.realtime;
  settings.idle_exit = options.idle_exit;
  settings.command_line = options.command_line;
  settings.arguments = options.arguments;
  settings.seed = options.seed;
  settings.screen_width = options.screen_width;
  settings.screen_height = options.screen_height;
  settings.clipboard = options.clipboard.value_or("");
  settings.dry_run = options.dry_run;
  if (options.record_file) {
    backends.adjust_for_recording(options, settings);
  }
  HeadlessPlatform platform(settings);
  Trace& trace = platform.TraceLog();
  if (options.trace_file) trace.OpenJsonFile(*options.trace_file);
  std::unique_ptr<RunRecording> recording;
  if (options.record_file) {
    try {
      recording = backends.recording(options, platform);
    } catch (const std::runtime_error& e) {
      std::cerr << "zarnplay: " << e.what() << "\n";
      return 2;
    }
  } else {
    trace.SetTimelineStream(&std::cout, isatty(STDOUT_FILENO) != 0);
  }

  PlayerSettings player_settings;
  player_settings.seed = options.seed;
  // Nobody is there to ask.
  player_settings.network_commands =
      options.allow_shell ? NetworkCommandPolicy::kAllow : NetworkCommandPolicy::kRefuse;
  // A recording is timed by the voice it records.
  player_settings.speech_planner =
      recording ? recording->Planner(VoiceRulesFor(options))
      : options.tts_timing == "words"
          ? SpeechPlanner()
          : MakeSpeechPlanner(options.tts_timing, VoiceRulesFor(options));
  // Recordings are heard with or without a listening window; Listen only
  // says whether there is anything to listen with.
  const ListenModel model = SpeechInputModel();
  player_settings.speech_input = model.Present();
  player_settings.listen = [&model, told = false](const std::string&, bool listen) mutable {
    if (!listen || model.Present()) return true;
    if (!told)
      std::cerr << "zarnplay: Listen: no speech recognition model at " << model.acoustic << "\n";
    told = true;
    return false;
  };
  Player player(platform, player_settings);
  if (recording) recording->Attach(player.Engine());
  const Backends::Hearing hearing =
      backends.listening ? backends.listening(player.Engine(), model) : Backends::Hearing();

  HeadlessActions actions(platform.VirtualDesktop(), platform.VirtualLoop());
  actions.BackdropAction = [&platform](const std::string& what) {
    return platform.BackdropState().Perform(what);
  };
  actions.GiveCommand = [&player](UserInput input) {
    if (player.program().agent) input.character_id = player.program().agent->Char();
    player.Engine().SimulateCommand(input);
  };
  if (hearing) {
    actions.Hear = [&player, &hearing](const std::string& path) {
      return hearing(player.program().agent ? player.program().agent->Char() : std::string(), path);
    };
  }
  actions.Schedule(options.actions);

  player.Run();
  if (recording) {
    try {
      recording->Finish(platform.VirtualLoop().Now());
    } catch (const std::runtime_error& e) {
      std::cerr << "zarnplay: " << e.what() << "\n";
      player.Exited(1);
      return 1;
    }
    player.Engine().SetRenderSink(nullptr);
  }
  const Program& program = player.program();
  if (program.ExitCode != 0) {
    const std::string& script =
        options.arguments ? options.arguments->script : options.command_line;
    std::cerr << "zarnplay: could not play '" << script << "'\n";
  }
  player.Exited(program.ExitCode);
  return program.ExitCode;
}

std::string BackendNeeded(const Options& options, const Backends& backends) {
  if (options.record_file) return backends.recording ? "" : "recording";
  if (!options.headless) return backends.desktop ? "" : "the desktop";
  for (const ScheduledAction& action : options.actions) {
    if (action.action.substr(0, action.action.find_first_of(" \t")) == "hear")
      return backends.listening ? "" : "listening";
  }
  return "";
}

bool DisplayPresent() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

int ZarnMain(const std::vector<std::string>& args, const Backends& backends) {
  // Past a file-size limit a write fails and is reported, rather than the
  // signal ending the program with half a file on disk.
  std::signal(SIGXFSZ, SIG_IGN);
  // Only the module program stands in for another; a copy started by a
  // script is itself.
  if (!backends.in_module) unsetenv(kStartedAsVariable);
  if (const char* hold = std::getenv(kClipboardHolderVariable)) {
    if (backends.clipboard_holder) return backends.clipboard_holder(std::atoi(hold));
    return StartModule("the clipboard", args);
  }
  std::string error;
  Options options = ParseOptions(args, error);
  // A run started by a file manager or a desktop entry can still be traced.
  if (const char* trace = std::getenv("ZARNPLAY_TRACE");
      !options.trace_file && trace != nullptr && *trace != '\0') {
    options.trace_file = trace;
  }
  if (!error.empty()) {
    std::cerr << "zarnplay: " << error << "\n";
    return 2;
  }
  if (options.help) {
    std::cout << UsageText();
    return 0;
  }
  if (options.version) {
    std::cout << "ZARNPlay " << ZARN_VERSION_MAJOR << "." << ZARN_VERSION_MINOR << "."
              << ZARN_VERSION_REVISION << "\n";
    return 0;
  }
  if (auto code = RunTool(options)) return *code;
  // The bus service and its one-shot client live in the module program.
  if (options.service || options.say ||
      (options.service_client && (options.headless || !DisplayPresent()))) {
    if (backends.service) return backends.service(options);
    if (!backends.in_module) return StartModule("the service", args);
    std::cerr << "zarnplay: the service is not part of this build (configure with "
              << ModuleOption("the service") << ")\n";
    return 2;
  }
  for (const std::string& arg : options.ignored) {
    std::cerr << "zarnplay: ignoring argument '" << arg << "' (variables are /name=value)\n";
  }
  // Checked here, before a module starts: its message is the same either way.
  if (!options.headless && !options.record_file && !DisplayPresent()) {
    std::cerr << "zarnplay: no display ($DISPLAY is not set); run with --headless to play "
                 "without one\n";
    return 2;
  }
  if (const std::string backend = BackendNeeded(options, backends); !backend.empty()) {
    if (!backends.in_module) return StartModule(backend, args);
    std::cerr << "zarnplay: " << backend << " is not part of this build (configure with "
              << ModuleOption(backend) << ")\n";
    return 2;
  }
  try {
    if (!options.headless && !options.record_file) {
      for (const std::string& option : options.headless_only) {
        std::cerr << "zarnplay: " << option << " is for --headless runs; ignored on the desktop\n";
      }
      return backends.desktop(options);
    }
    return RunPlayer(options, backends);
  } catch (const VbError& e) {
    std::cerr << "zarnplay: " << e.Description() << "\n";
    return 1;
  } catch (const SpeechError& e) {
    std::cerr << "zarnplay: " << e.what() << "\n";
    return 2;
  }
}

}  // namespace zarn
