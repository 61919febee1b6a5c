#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <ostream>
#include <string>

#include "backend/Trace.h"
#include "platform/common/BackdropModel.h"
#include "platform/common/MediaCommandService.h"
#include "platform/common/PresentationShow.h"
#include "platform/common/ProgramStarter.h"
#include "platform/common/RunEnvironment.h"
#include "platform/common/VirtualTimeLoop.h"
#include "platform/common/WindowRegistry.h"
#include "platform/headless/HeadlessClipboard.h"
#include "platform/headless/HeadlessDesktop.h"
#include "ports/Platform.h"

namespace zarn {

struct HeadlessSettings {
  bool realtime = false;
  // End when nothing is pending, even while the program waits for commands.
  bool idle_exit = false;
  std::string command_line;
  // The command line one argument at a time, when it came that way.
  std::optional<StartArguments> arguments;
  uint32_t seed = 1;
  std::optional<std::time_t> start_time;
  int screen_width = 1024;
  int screen_height = 768;
  std::string clipboard;
  bool dry_run = false;
  // Empty: the running program's own path.
  std::string exe_path;
  // Where the copies of this user register; empty: the default folder.
  std::string window_folder;
};

// No display, no sound, no network of its own: virtual time, everything
// shown written to the trace. Waits outside virtual time only for what
// comes from outside (a signal, another copy's close message).
class HeadlessPlatform : public Platform {
 public:
  explicit HeadlessPlatform(const HeadlessSettings& settings);
  ~HeadlessPlatform() override;

  Scheduler& Loop() override { return loop_; }
  TracePort& Trace() override { return trace_; }
  DesktopPort& Desktop() override { return desktop_; }
  ErrorDialogPort& ErrorDialog() override { return desktop_; }
  EnvironmentPort& Environment() override { return environment_; }
  MediaCommandPort& Media() override { return media_; }
  BackdropWindowPort& Backdrop() override { return backdrop_; }
  ShellPort& Shell() override { return shell_; }
  WindowSystemPort& Windows() override { return windows_; }
  ClipboardPort& Clipboard() override { return clipboard_; }
  PresentationPort* Presentation() override {
    return presentation_ != nullptr ? presentation_ : &presenter_;
  }
  // Another presentation program in place of the headless one (a recording
  // draws the slides); before the player starts.
  void UsePresentation(PresentationPort* presentation) { presentation_ = presentation; }

  void Run(const std::function<bool()>& keep_running) override;
  void Pump() override { desktop_.DoEvents(); }
  void Quit() override { quit_ = true; }

  // The concrete services, for the user actions and the tests.
  VirtualTimeLoop& VirtualLoop() { return loop_; }
  zarn::Trace& TraceLog() { return trace_; }
  HeadlessDesktop& VirtualDesktop() { return desktop_; }
  BackdropModel& BackdropState() { return backdrop_; }
  PresentationShow& Presenter() { return presenter_; }
  MediaCommandService& MediaPort() { return media_; }
  WindowRegistry& WindowSystem() { return windows_; }

 private:
  void WaitForOutside();

  bool idle_exit_;
  bool quit_ = false;
  VirtualTimeLoop loop_;
  zarn::Trace trace_;
  RunEnvironment environment_;
  HeadlessDesktop desktop_;
  PresentationShow presenter_;
  PresentationPort* presentation_ = nullptr;
  MediaCommandService media_;
  BackdropModel backdrop_;
  ProgramStarter shell_;
  HeadlessClipboard clipboard_;
  WindowRegistry windows_;
};

}  // namespace zarn
