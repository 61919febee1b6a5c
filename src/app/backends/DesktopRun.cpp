#include "app/backends/DesktopRun.h"

#include <QObject>
#include <QTimer>
#include <cstdlib>

#include "app/CharacterServiceFactory.h"
#include "app/Player.h"
#include "app/Voices.h"
#include "app/backends/DesktopWindows.h"
#include "app/backends/ServiceRun.h"
#include "charengine/CharacterEngine.h"
#include "core/agent/CAgent.h"
#include "core/media/bBackdrop.h"
#include "platform/desktop/CharacterScreen.h"
#include "platform/desktop/DesktopMediaDevices.h"
#include "platform/desktop/DesktopPlatform.h"
#include "platform/desktop/DesktopPresenter.h"
#include "platform/desktop/DesktopShell.h"
#include "platform/desktop/DesktopSpeech.h"
#include "platform/desktop/QtBackdrop.h"
#if ZARN_HAS_LISTEN
#include "platform/desktop/QtMicrophone.h"
#include "platform/listen/VoiceInput.h"
#endif
#include "platform/common/BackdropModel.h"
#include "platform/common/MediaCommandService.h"
#include "platform/common/ProgramStarter.h"
#include "platform/common/RunEnvironment.h"

namespace zarn {

// How long the Listening Tip says what was heard.
constexpr int kHeardTipMs = 2000;

int RunDesktopPlayer(const Options& options) {
  // Our windows speak X11; under Wayland that is XWayland.
  if (std::getenv("DISPLAY") != nullptr) setenv("QT_QPA_PLATFORM", "xcb", 0);
  DesktopPlatform platform;
  Trace& trace = platform.TraceLog();
  if (options.trace_file) trace.OpenJsonFile(*options.trace_file);

  // Not drawn on the desktop yet: these are the headless services on the
  // wall clock (programs really start); keystrokes are typed for real. The
  // backdrop is drawn and traced as headless; wave, song and video sound and
  // show for real, the other media types keep time only.
  RunEnvironment environment(platform.Loop(), options.command_line, options.seed, std::nullopt);
  environment.SetArguments(options.arguments);
  MediaCommandService media(platform.Loop(), trace);
  DesktopMediaHooks media_hooks;  // filled in once the program exists
  RegisterDesktopMediaDevices(media.Interpreter(), platform.Loop(), media_hooks);
  QtBackdrop drawn_backdrop;
  BackdropModel backdrop(trace, &drawn_backdrop);
  ProgramStarter starter(trace, options.dry_run);
  DesktopShell shell(starter, trace);
  // Slides are drawn: the show's logic is the headless presenter's inside.
  DesktopPresenter presenter(platform.Loop(), trace);
  DesktopWindows windows(platform.DisplayWindows(), [&platform] { platform.AskToClose(); });
  platform.Lend({&environment, &media, &backdrop, &shell, &presenter, &windows});

  PlayerSettings player_settings;
  player_settings.seed = options.seed;
  if (options.allow_shell) player_settings.network_commands = NetworkCommandPolicy::kAllow;
  // On a desktop speech is timed by the voice that speaks it.
  DesktopSpeech speech;
  player_settings.speech_planner = speech.Planner(VoiceRulesFor(options));
#if ZARN_HAS_LISTEN
  // The microphone is on while the engine keeps a listening window open.
  QtMicrophone* microphone = nullptr;
  player_settings.listen = [&microphone](const std::string& character_id, bool listen) {
    if (microphone == nullptr) return false;
    if (!listen) {
      microphone->Close();
      return true;
    }
    return microphone->Open(character_id);
  };
#endif
#if ZARN_HAS_LISTEN
  player_settings.speech_input = SpeechInputModel().Present();
#endif
  player_settings.wrap_service = ServiceClient(options);
  Player player(platform, player_settings);
  media_hooks.failed = [&player](int32_t code) { bBackdrop::MediaFailed(player.program(), code); };
  media_hooks.closed = [&player] { bBackdrop::StopAllMedia(player.program()); };
  CharacterScreen characters(player.Engine(), platform.Screen());
  speech.Attach(characters);
  player.Engine().SetRenderSink(&speech);
#if ZARN_HAS_LISTEN
  VoiceInput voice(player.Engine(), SpeechInputModel());
  QtMicrophone mic(voice);
  microphone = &mic;
  characters.SetVoicePhrases([&voice](const std::string& id) { return voice.Phrases(id); });
  voice.OnCommandsWindow(
      [&characters](const std::string& id, bool open) { characters.ShowVoiceCommands(id, open); });
  // The tip says what was heard for a while after the window closes; a
  // newer window's tip is not taken away by an older one's timer.
  QObject tip_timers;  // takes pending tip timers with it
  int tip_serial = 0;
  bool heard_shown = false;
  voice.OnHeard([&](const std::string& id, const std::string& tip) {
    characters.SetListeningTip(id, tip);
    heard_shown = true;
  });
  mic.OnListening([&](const std::string& id, bool open) {
    const int serial = ++tip_serial;
    if (open) {
      heard_shown = false;
      characters.SetListeningTip(id, "-- " + player.Engine().Name(id) + " is listening --");
      return;
    }
    QTimer::singleShot(heard_shown ? kHeardTipMs : 0, &tip_timers,
                       [&characters, &tip_serial, serial, id] {
                         if (serial == tip_serial) characters.SetListeningTip(id, std::string());
                       });
  });
  mic.OnSpeechEnd([&player](const std::string& id) {
    if (player.Engine().IsLoaded(id)) player.Engine().SpeechEnded(id);
  });
#endif
  ListeningKey key(
      [&player]() -> std::string {
        return player.program().agent ? player.program().agent->Char() : std::string();
      },
      [&player](const std::string& id, bool down) {
        if (player.Engine().IsLoaded(id)) player.Engine().ListeningKey(id, down);
      });
  player.Run();
  media_hooks = {};
#if ZARN_HAS_LISTEN
  microphone = nullptr;
#endif
  player.Engine().SetRenderSink(nullptr);
  player.Exited(player.program().ExitCode);
  return player.program().ExitCode;
}

}  // namespace zarn
