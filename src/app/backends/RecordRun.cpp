#include "app/backends/RecordRun.h"

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/OptionTable.h"
#include "charengine/CharacterEngine.h"
#include "platform/desktop/DesktopMediaDevices.h"
#include "platform/desktop/DesktopPresenter.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/record/Recorder.h"

extern char** environ;

namespace zarn {
namespace {

// Qt wants these to outlive its application object.
int gui_argc = 1;
char gui_name[] = "zarnplay";
char* gui_argv[] = {gui_name, nullptr};

// A recording's frame, which is also the script's screen: --screen's, or
// 1280x720.
QSize FrameSize(const Options& options) {
  return options.screen_given ? QSize(options.screen_width, options.screen_height)
                              : QSize(1280, 720);
}

// The time of a trace's last record, in milliseconds.
std::optional<Millis> LastTraceTime(const std::string& path) {
  std::ifstream in(path);
  std::string line, last;
  while (std::getline(in, line)) {
    if (!line.empty()) last = line;
  }
  const auto at = last.find("\"t\":");
  if (at == std::string::npos) return std::nullopt;
  char* end = nullptr;
  const double seconds = std::strtod(last.c_str() + at + 4, &end);
  if (end == last.c_str() + at + 4 || seconds < 0) return std::nullopt;
  return static_cast<Millis>(std::llround(seconds * 1000));
}

}  // namespace

std::optional<Millis> MeasurePerformance(const Options& options) {
  std::string folder =
      (std::filesystem::temp_directory_path() / "zarnplay-measure-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) return std::nullopt;
  const std::string trace = folder + "/trace.jsonl";
  std::vector<std::string> args = MeasuringArguments(options, trace);
  args.insert(args.begin(), "/proc/self/exe");
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  std::optional<Millis> length;
  if (posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) length = LastTraceTime(trace);
  }
  posix_spawn_file_actions_destroy(&quiet);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return length;
}

void AdjustForRecording(const Options& options, int& width, int& height, bool& idle_exit,
                        bool& dry_run) {
  width = FrameSize(options).width();
  height = FrameSize(options).height();
  // Nobody can answer a script that waits for commands.
  idle_exit = true;
  dry_run = dry_run || !options.allow_shell;
}

Recording::Recording(const Options& options, HeadlessPlatform& platform) {
  VideoSettings video;
  video.path = *options.record_file;
  if (!VideoKindOf(video.path, video.kind)) {
    throw std::runtime_error("--record takes a file name ending in .mp4, .webm or .gif");
  }
  video.width = FrameSize(options).width();
  video.height = FrameSize(options).height();
  video.fps = options.fps;
  // Frames are drawn off screen, whatever display there is.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (QCoreApplication::instance() == nullptr) {
    gui_ = std::make_unique<QApplication>(gui_argc, gui_argv);
  }
  recorder_ = std::make_unique<Recorder>(platform.VirtualLoop(), platform.BackdropState(), video);
  RegisterMediaSound(platform.MediaPort().Interpreter(), platform.VirtualLoop(),
                     recorder_->MediaSound());
  // Slides are drawn as the desktop draws them; the show keeps virtual time.
  presenter_ = std::make_unique<DesktopPresenter>(platform.VirtualLoop(), platform.TraceLog());
  platform.UsePresentation(presenter_.get());
  recorder_->SetSlides([this](QSize size) { return presenter_->ShownSlide(size); });
  // Someone watches: the performance is played once quickly, without
  // drawing or starting anything, so that the bar can fill to its length.
  if (recorder_->Watched()) {
    if (std::optional<Millis> length = MeasurePerformance(options)) {
      recorder_->ExpectLength(*length);
    }
  }
}

Recording::~Recording() = default;

SpeechPlanner Recording::Planner(VoiceRules rules) {
  return recorder_->Scene().Planner(std::move(rules));
}

void Recording::Attach(CharacterEngine& engine) {
  recorder_->Scene().Attach(engine);
  engine.SetRenderSink(&recorder_->Scene());
}

void Recording::Finish(Millis end_ms) { recorder_->Finish(end_ms); }

}  // namespace zarn
