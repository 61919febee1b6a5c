#pragma once

// Plays scripts headless inside a test: the same platform the program runs
// on with --headless, the trace collected in memory.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/CharacterServiceFactory.h"
#include "app/Player.h"
#include "backend/Trace.h"
#include "backend/TracingCharacterService.h"
#include "charengine/CharacterEngine.h"
#include "core/agent/CAgent.h"
#include "core/shell/Program.h"
#include "core/shell/frmZARN.h"
#include "core/util/CFile.h"
#include "core/util/CReg.h"
#include "platform/headless/HeadlessPlatform.h"
#include "support/TempFolder.h"
#include "support/TraceReader.h"

namespace zarn::testing {

struct HarnessOptions {
  std::string command_line;
  // The command line one argument at a time (as argv gives it).
  std::optional<StartArguments> arguments;
  int screen_width = 1024;
  int screen_height = 768;
  uint32_t seed = 1;
  std::string clock = "2026-03-21 09:15:00";
  std::string exe_path;  // default: the test program itself
  // Shell actions are checked and traced but start nothing unless cleared.
  bool dry_run = true;
  std::string clipboard;
  // Puts a test's own service between the engine and the trace.
  std::function<std::unique_ptr<CharacterServicePort>(CharacterServicePort& engine)> wrap_service;
  // As the headless program has it.
  NetworkCommandPolicy network_commands = NetworkCommandPolicy::kRefuse;
  // Times speech (--tts-timing); empty: the words-per-minute model.
  SpeechPlanner speech_planner;
  // The test platform has a recognition model to listen with.
  bool speech_input = true;
};

class Harness {
 public:
  explicit Harness(HarnessOptions options = {})
      : options_(PrepareEnvironment(std::move(options))),
        platform_(PlatformSettings(options_, NewWindowsFolder())),
        player_(platform_, PlayerSettings{options_.seed,
                                          options_.wrap_service,
                                          options_.network_commands,
                                          options_.speech_planner,
                                          {},
                                          options_.speech_input}) {
    platform_.TraceLog().SetJsonStream(&json_);
  }

  // Start-up as the program does it, then the performance until nothing is
  // pending (or the form unloads, or `limit_ms` of virtual time passes).
  void Start() { player_.Start(); }
  void RunUntilIdle(int64_t limit_ms = 600000) {
    while (Form().Loaded() && Loop().Now() <= limit_ms && Loop().RunNext()) {
    }
  }
  // Start-up's service objects without the rest of start-up, for tests
  // that call the loader or the interpreter directly.
  void CreateServices() {
    Program& p = program();
    p.agent = std::make_unique<CAgent>(p);
    p.reg = std::make_unique<CReg>(p.errors);
    p.file = std::make_unique<CFile>(p.errors, &platform_.Desktop());
    p.ScreenWidthPx = options_.screen_width;
    p.ScreenHeightPx = options_.screen_height;
    p.AppFolder = "/nonexistent-app-folder/";
  }
  void StartAndRun() {
    Start();
    RunUntilIdle();
  }

  std::vector<TraceLine> Records() const { return ParseTrace(json_.str()); }
  std::string TraceText() const { return json_.str(); }

  VirtualTimeLoop& Loop() { return platform_.VirtualLoop(); }
  HeadlessDesktop& Desktop() { return platform_.VirtualDesktop(); }
  PresentationShow& Presenter() { return platform_.Presenter(); }
  BackdropModel& Backdrop() { return platform_.BackdropState(); }
  HeadlessPlatform& Platform() { return platform_; }
  CharacterEngine& Engine() { return player_.Engine(); }
  Program& program() { return player_.program(); }
  frmZARN& Form() { return player_.MainForm(); }
  CAgent& Agent() { return *program().agent; }

 private:
  // The engine reads the character folders when it is made.
  static HarnessOptions PrepareEnvironment(HarnessOptions options) {
    setenv("ZARN_CHARACTERS", TestCharacterFolder().c_str(), 1);
    return options;
  }
  // Copies started by a test register in a folder of their own, never
  // beside the user's; made only when a copy registers.
  static std::string NewWindowsFolder() {
    static int count = 0;
    return TestCharacterFolder() + "/windows-" + std::to_string(++count);
  }
  static HeadlessSettings PlatformSettings(const HarnessOptions& o, const std::string& windows) {
    HeadlessSettings settings;
    settings.command_line = o.command_line;
    settings.arguments = o.arguments;
    settings.seed = o.seed;
    settings.start_time = RunEnvironment::ParseClock(o.clock);
    settings.screen_width = o.screen_width;
    settings.screen_height = o.screen_height;
    settings.clipboard = o.clipboard;
    settings.dry_run = o.dry_run;
    settings.exe_path = o.exe_path;
    settings.window_folder = windows;
    return settings;
  }

  HarnessOptions options_;
  std::ostringstream json_;
  HeadlessPlatform platform_;
  Player player_;
};

}  // namespace zarn::testing
