#include "app/Application.h"

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <sstream>

#include "app/CharacterServiceFactory.h"
#include "app/DesktopRun.h"
#include "app/HeadlessActions.h"
#include "app/Player.h"
#include "app/RecordRun.h"
#include "app/ServiceRun.h"
#include "app/Tools.h"
#include "app/Voices.h"
#include "base/VbError.h"
#include "charengine/CharacterEngine.h"
#include "core/agent/CAgent.h"
#include "platform/desktop/ClipboardHolder.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/listen/VoiceInput.h"
#include "platform/listen/WavePcm.h"
#include "platform/speech/EspeakSynthesizer.h"

namespace zarn {

int RunPlayer(const Options& options) {
  HeadlessSettings settings;
  if (options.clock) {
    settings.start_time = HeadlessEnvironment::ParseClock(*options.clock);
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
    AdjustForRecording(options, settings.screen_width, settings.screen_height, settings.idle_exit,
                       settings.dry_run);
  }
  HeadlessPlatform platform(settings);
  Trace& trace = platform.Recorder();
  if (options.trace_file) trace.OpenJsonFile(*options.trace_file);
  std::unique_ptr<Recording> recording;
  if (options.record_file) {
    try {
      recording = std::make_unique<Recording>(options, platform);
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
  VoiceInput voice(player.Engine(), model);

  HeadlessActions actions(platform.HeadlessScreen(), platform.VirtualLoop());
  actions.BackdropAction = [&platform](const std::string& what) {
    return platform.HeadlessBackdropWindow().Perform(what);
  };
  actions.GiveCommand = [&player](UserInput input) {
    if (player.program().agent) input.character_id = player.program().agent->Char();
    player.Engine().SimulateCommand(input);
  };
  actions.Hear = [&player, &voice](const std::string& path) {
    std::vector<int16_t> pcm;
    try {
      pcm = ReadWaveForListening(path);
    } catch (const std::runtime_error& e) {
      std::cerr << "zarnplay: hear: " << e.what() << "\n";
      return false;
    }
    if (player.program().agent) voice.Hear(player.program().agent->Char(), pcm);
    return true;
  };
  actions.Schedule(options.actions);

  player.Run();
  if (recording) {
    try {
      recording->Finish(platform.VirtualLoop().Now());
    } catch (const std::runtime_error& e) {
      std::cerr << "zarnplay: " << e.what() << "\n";
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
  return program.ExitCode;
}

int ZarnMain(const std::vector<std::string>& args) {
  // Past a file-size limit a write fails and is reported, rather than the
  // signal ending the program with half a file on disk.
  std::signal(SIGXFSZ, SIG_IGN);
  if (const char* hold = std::getenv(kClipboardHolderVariable)) {
    return RunClipboardHolder(std::atoi(hold));
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
  if (auto code = RunService(options)) return *code;
  for (const std::string& arg : options.ignored) {
    std::cerr << "zarnplay: ignoring argument '" << arg << "' (variables are /name=value)\n";
  }
  try {
    if (!options.headless && !options.record_file) {
      if (!DisplayPresent()) {
        std::cerr << "zarnplay: no display ($DISPLAY is not set); run with --headless to play "
                     "without one\n";
        return 2;
      }
      for (const std::string& option : options.headless_only) {
        std::cerr << "zarnplay: " << option << " is for --headless runs; ignored on the desktop\n";
      }
      return RunDesktopPlayer(options);
    }
    return RunPlayer(options);
  } catch (const VbError& e) {
    std::cerr << "zarnplay: " << e.Description() << "\n";
    return 1;
  } catch (const SpeechError& e) {
    std::cerr << "zarnplay: " << e.what() << "\n";
    return 2;
  }
}

}  // namespace zarn
