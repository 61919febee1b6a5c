#include "platform/headless/HeadlessPlatform.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <csignal>

namespace zarn {
namespace {

volatile std::sig_atomic_t g_stop_signal = 0;

// Written by the signal handler so that a signal between the flag test and
// poll() still wakes the wait. Signals are process-wide, so is this pipe.
int g_wake_pipe[2] = {-1, -1};

void OnStopSignal(int) {
  g_stop_signal = 1;
  if (g_wake_pipe[1] >= 0 && write(g_wake_pipe[1], "", 1) < 0) {
  }
}

void InstallStopSignals() {
  if (g_wake_pipe[0] < 0 && pipe2(g_wake_pipe, O_NONBLOCK | O_CLOEXEC) != 0) {
    g_wake_pipe[0] = g_wake_pipe[1] = -1;
  }
  std::signal(SIGTERM, OnStopSignal);
  std::signal(SIGINT, OnStopSignal);
}

std::string WindowFolder(const HeadlessSettings& settings) {
  return settings.window_folder.empty() ? WindowRegistry::DefaultFolder() : settings.window_folder;
}

}  // namespace

HeadlessPlatform::HeadlessPlatform(const HeadlessSettings& settings)
    : idle_exit_(settings.idle_exit),
      loop_(settings.realtime),
      trace_([this] { return loop_.Now(); }),
      environment_(loop_, settings.command_line, settings.seed, settings.start_time),
      desktop_(loop_, trace_, settings.screen_width, settings.screen_height),
      presenter_(loop_, trace_),
      media_(loop_, trace_),
      backdrop_(trace_),
      shell_(trace_, settings.dry_run),
      clipboard_(settings.clipboard),
      windows_(WindowFolder(settings)) {
  if (!settings.exe_path.empty()) environment_.SetExecutablePath(settings.exe_path);
  environment_.SetArguments(settings.arguments);
  windows_.SetCloseHandler([this](WindowId) { desktop_.RequestClose(); });
  desktop_.SetPumpHook([this] { windows_.AcceptCloseMessages(); });
}

HeadlessPlatform::~HeadlessPlatform() { desktop_.SetPumpHook(nullptr); }

void HeadlessPlatform::Run(const std::function<bool()>& keep_running) {
  InstallStopSignals();
  quit_ = false;
  while (!quit_ && keep_running()) {
    if (g_stop_signal != 0) {
      g_stop_signal = 0;
      RequestClose();
      continue;
    }
    windows_.AcceptCloseMessages();
    if (quit_ || !keep_running()) break;
    if (loop_.RunNext()) continue;
    if (idle_exit_) break;
    WaitForOutside();
  }
}

// Nothing is due in virtual time: wait, outside it, for a signal or another
// copy's close message (a script that offers commands keeps running).
void HeadlessPlatform::WaitForOutside() {
  trace_.Flush();
  while (g_stop_signal == 0) {
    pollfd fds[] = {{g_wake_pipe[0], POLLIN, 0}, {windows_.ListenDescriptor(), POLLIN, 0}};
    if (poll(fds, 2, -1) > 0 && (fds[1].revents & POLLIN) != 0) return;
  }
}

}  // namespace zarn
