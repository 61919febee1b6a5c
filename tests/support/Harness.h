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
#include "backend/Trace.h"
#include "backend/TracingCharacterService.h"
#include "charengine/CharacterEngine.h"
#include "charfile/TestCharacters.h"
#include "core/agent/CAgent.h"
#include "core/errortrap/bErrorTrap.h"
#include "core/media/CPowerPoint.h"
#include "core/media/bBackdrop.h"
#include "core/media/frmBackdrop.h"
#include "core/shell/Program.h"
#include "core/shell/frmZARN.h"
#include "core/util/CFile.h"
#include "core/util/CReg.h"
#include "platform/headless/HeadlessBackdrop.h"
#include "platform/headless/HeadlessClipboard.h"
#include "platform/headless/HeadlessDesktop.h"
#include "platform/headless/HeadlessEnvironment.h"
#include "platform/headless/HeadlessLoop.h"
#include "platform/headless/HeadlessMediaCommandPort.h"
#include "platform/headless/HeadlessPresenter.h"
#include "platform/headless/HeadlessShell.h"
#include "support/TraceReader.h"

namespace zarn::testing {

// A fresh folder under the temp folder, removed with the object.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zarntest-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  // Writes a file; "\n" in a script text becomes CR LF when crlf is set.
  std::string Write(const std::string& name, const std::string& text, bool crlf = true) const {
    std::string body;
    for (char ch : text) {
      if (ch == '\n' && crlf) body += '\r';
      body += ch;
    }
    const std::string path = *this / name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << body;
    return path;
  }

 private:
  std::string path_;
};

// Writes the test characters once per process and returns their folder.
inline const std::string& TestCharacterFolder() {
  static TempFolder folder;
  static const bool written = [] {
    WriteTestCharacters(folder.Path());
    return true;
  }();
  (void)written;
  return folder.Path();
}

struct HarnessOptions {
  std::string command_line;
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
};

class Harness {
 public:
  explicit Harness(HarnessOptions options = {})
      : options_(PrepareEnvironment(std::move(options))),
        trace_([this] { return loop_.Now(); }),
        environment_(loop_, options_.command_line, options_.seed,
                     HeadlessEnvironment::ParseClock(options_.clock)),
        desktop_(loop_, trace_, options_.screen_width, options_.screen_height),
        engine_(MakeCharacterEngine(loop_, options_.seed)),
        wrapped_(options_.wrap_service ? options_.wrap_service(*engine_) : nullptr),
        characters_(wrapped_ ? *wrapped_ : *engine_, trace_),
        presenter_(loop_, trace_),
        media_(loop_, trace_),
        backdrop_(trace_),
        shell_(trace_, options_.dry_run),
        clipboard_(options_.clipboard),
        program_(Ports{desktop_, environment_, characters_, loop_, trace_}),
        form_(program_),
        backdrop_form_(program_, backdrop_) {
    trace_.SetJsonStream(&json_);
    program_.ports.presentation = &presenter_;
    program_.ports.media = &media_;
    program_.ports.backdrop = &backdrop_;
    form_.UnloadOtherForms = [this] { backdrop_form_.Unload(); };
    form_.StopAllMedia = [this] { bBackdrop::StopAllMedia(program_); };
    program_.ports.shell = &shell_;
    program_.ports.clipboard = &clipboard_;
    program_.random.Seed(options_.seed);
    InstallSlideshow(program_);
    if (!options_.exe_path.empty()) environment_.SetExecutablePath(options_.exe_path);
    program_.errors.SetDialog(&desktop_);
    program_.errors.SetCloseProgram([this] { form_.Form_Unload(); });
  }

  // Start-up as the program does it, then the performance until nothing is
  // pending (or the form unloads, or `limit_ms` of virtual time passes).
  void Start() { form_.Form_Load(); }
  void RunUntilIdle(int64_t limit_ms = 600000) {
    while (form_.Loaded() && loop_.Now() <= limit_ms && loop_.RunNext()) {
    }
  }
  // Start-up's service objects without the rest of start-up, for tests
  // that call the loader or the interpreter directly.
  void CreateServices() {
    program_.agent = std::make_unique<CAgent>(program_);
    program_.reg = std::make_unique<CReg>(program_.errors);
    program_.file = std::make_unique<CFile>(program_.errors, &desktop_);
    program_.ScreenWidthPx = options_.screen_width;
    program_.ScreenHeightPx = options_.screen_height;
    program_.AppFolder = "/nonexistent-app-folder/";
  }
  void StartAndRun() {
    Start();
    RunUntilIdle();
  }

  std::vector<TraceLine> Records() const { return ParseTrace(json_.str()); }
  std::string TraceText() const { return json_.str(); }

  HeadlessLoop& Loop() { return loop_; }
  HeadlessDesktop& Desktop() { return desktop_; }
  HeadlessPresenter& Presenter() { return presenter_; }
  HeadlessBackdrop& Backdrop() { return backdrop_; }
  CharacterEngine& Engine() { return *engine_; }
  Program& program() { return program_; }
  frmZARN& Form() { return form_; }
  CAgent& Agent() { return *program_.agent; }

 private:
  // The engine reads the character folders when it is made.
  static HarnessOptions PrepareEnvironment(HarnessOptions options) {
    setenv("ZARN_CHARACTERS", TestCharacterFolder().c_str(), 1);
    return options;
  }

  HarnessOptions options_;
  HeadlessLoop loop_;
  std::ostringstream json_;
  Trace trace_;
  HeadlessEnvironment environment_;
  HeadlessDesktop desktop_;
  std::unique_ptr<CharacterEngine> engine_;
  std::unique_ptr<CharacterServicePort> wrapped_;
  TracingCharacterService characters_;
  HeadlessPresenter presenter_;  // outlives the program's slideshow
  HeadlessMediaCommandPort media_;
  HeadlessBackdrop backdrop_;
  HeadlessShell shell_;
  HeadlessClipboard clipboard_;
  Program program_;
  frmZARN form_;
  frmBackdrop backdrop_form_;
};

}  // namespace zarn::testing
