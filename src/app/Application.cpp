#include "app/Application.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <iostream>
#include <sstream>

#include "app/CharacterServiceFactory.h"
#include "app/HeadlessActions.h"
#include "app/Tools.h"
#include "backend/Trace.h"
#include "backend/TracingCharacterService.h"
#include "charengine/CharacterEngine.h"
#include "core/agent/CAgent.h"
#include "core/errortrap/bErrorTrap.h"
#include "core/media/CPowerPoint.h"
#include "core/media/bBackdrop.h"
#include "core/media/frmBackdrop.h"
#include "core/script/bReadText.h"
#include "core/script/zbURLGet.h"
#include "core/shell/EmbeddedScript.h"
#include "core/shell/Program.h"
#include "core/shell/bCloseAll.h"
#include "core/shell/frmZARN.h"
#include "core/util/bUserVariables.h"
#include "platform/headless/HeadlessBackdrop.h"
#include "platform/headless/HeadlessClipboard.h"
#include "platform/headless/HeadlessDesktop.h"
#include "platform/headless/HeadlessEnvironment.h"
#include "platform/headless/HeadlessLoop.h"
#include "platform/headless/HeadlessMediaCommandPort.h"
#include "platform/headless/HeadlessPresenter.h"
#include "platform/headless/HeadlessShell.h"
#include "platform/headless/HeadlessWindowSystem.h"
#include "platform/net/CurlInternet.h"

namespace zarn {
namespace {

volatile std::sig_atomic_t g_stop_signal = 0;

// Written by the signal handler so that a signal between the flag test and
// poll() still wakes the wait.
int g_wake_pipe[2] = {-1, -1};

void OnStopSignal(int) {
  g_stop_signal = 1;
  if (g_wake_pipe[1] >= 0 && write(g_wake_pipe[1], "", 1) < 0) {
  }
}

// Waits, outside virtual time, until something from outside the program
// asks it to end or another copy sends a close message (the desktop keeps
// running while commands remain).
void WaitForStopSignal(int message_fd) {
  while (g_stop_signal == 0) {
    pollfd fds[] = {{g_wake_pipe[0], POLLIN, 0}, {message_fd, POLLIN, 0}};
    if (poll(fds, 2, -1) > 0 && (fds[1].revents & POLLIN) != 0) return;
  }
}

}  // namespace

int RunPlayer(const Options& options) {
  HeadlessLoop loop(options.realtime);
  Trace trace([&loop] { return loop.Now(); });
  if (options.trace_file) trace.OpenJsonFile(*options.trace_file);
  trace.SetTimelineStream(&std::cout, isatty(STDOUT_FILENO) != 0);

  std::optional<std::time_t> start_time;
  if (options.clock) {
    start_time = HeadlessEnvironment::ParseClock(*options.clock);
    if (!start_time) {
      std::cerr << "zarnplay: --clock takes \"YYYY-MM-DD HH:MM:SS\"\n";
      return 2;
    }
  }
  HeadlessEnvironment environment(loop, options.command_line, options.seed, start_time);
  HeadlessDesktop desktop(loop, trace, options.screen_width, options.screen_height);
  bErrorTrap::SetDialog(&desktop);
  bErrorTrap::SetPointerReset([&desktop] { desktop.SetPointer(MousePointer::kDefault); });

  std::unique_ptr<CharacterEngine> engine = MakeCharacterEngine(loop, options.seed);
  TracingCharacterService characters(*engine, trace);

  HeadlessPresenter presenter(loop, trace);  // outlives the program's slideshow
  Program program(Ports{desktop, environment, characters, loop, trace});
  program.ports.presentation = &presenter;
  InstallSlideshow(program);
  CurlInternet internet;
  program.ports.internet = &internet;
  HeadlessWindowSystem windows;
  program.ports.windows = &windows;
  HeadlessShell shell(trace, options.dry_run);
  program.ports.shell = &shell;
  HeadlessClipboard clipboard(options.clipboard.value_or(""));
  program.ports.clipboard = &clipboard;
  bReadText::SeedRandom(options.seed);
  HeadlessMediaCommandPort media(loop, trace);
  program.ports.media = &media;
  HeadlessBackdrop backdrop(trace);
  program.ports.backdrop = &backdrop;
  frmZARN main_form(program);
  frmBackdrop backdrop_form(program, backdrop);
  main_form.UnloadOtherForms = [&backdrop_form] { backdrop_form.Unload(); };
  main_form.StopAllMedia = [&program] { bBackdrop::StopAllMedia(program); };
  main_form.ExtractEmbeddedScript = [&program] { return ExtractEmbeddedScript(program); };
  main_form.CloseAllInstances = [&program] { bCloseAll::CloseAllInstances(program); };
  windows.SetCloseHandler([&desktop](WindowId) { desktop.RequestClose(); });
  desktop.SetPumpHook([&windows] { windows.AcceptCloseMessages(); });
  bErrorTrap::SetCloseProgram([&main_form] { main_form.Form_Unload(); });
  HeadlessActions actions(program, desktop, loop);
  actions.BackdropAction = [&backdrop](const std::string& what) { return backdrop.Perform(what); };
  actions.GiveCommand = [&engine, &program](UserInput input) {
    if (program.agent) input.character_id = program.agent->Char();
    engine->SimulateCommand(input);
  };
  actions.Schedule(options.actions);

  if (g_wake_pipe[0] < 0 && pipe2(g_wake_pipe, O_NONBLOCK | O_CLOEXEC) != 0) {
    g_wake_pipe[0] = g_wake_pipe[1] = -1;
  }
  std::signal(SIGTERM, OnStopSignal);
  std::signal(SIGINT, OnStopSignal);

  main_form.Form_Load();
  if (main_form.Loaded() && !main_form.Caption().empty()) {
    try {
      windows.RegisterMainWindow(main_form.Caption(), bCloseAll::kMainWindowClass);
    } catch (const VbError& e) {
      std::cerr << "zarnplay: " << e.Description() << "\n";
    }
  }
  while (main_form.Loaded()) {
    if (g_stop_signal != 0) {
      main_form.Form_Unload();
      break;
    }
    windows.AcceptCloseMessages();
    if (!main_form.Loaded()) break;
    if (loop.RunNext()) continue;
    if (options.idle_exit) break;
    trace.Flush();
    WaitForStopSignal(windows.ListenDescriptor());
  }
  for (const auto& [id, animation] : engine->HeldLoops()) {
    trace.Write(TraceRecord("anim", "Looping").Char(id).Arg(animation));
  }
  RemoveTempFiles();
  trace.Write(TraceRecord("life", "Exit").Arg(0));
  bErrorTrap::SetDialog(nullptr);
  bErrorTrap::SetPointerReset(nullptr);
  bErrorTrap::SetCloseProgram(nullptr);
  desktop.SetPumpHook(nullptr);
  return 0;
}

int ZarnMain(const std::vector<std::string>& args) {
  std::string error;
  const Options options = ParseOptions(args, error);
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
  try {
    return RunPlayer(options);
  } catch (const VbError& e) {
    std::cerr << "zarnplay: " << e.Description() << "\n";
    return 1;
  }
}

}  // namespace zarn
