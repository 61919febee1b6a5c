#include "app/RecordRun.h"

#include <cstdlib>
#include <stdexcept>

#include "charengine/CharacterEngine.h"
#include "platform/desktop/DesktopMediaDevices.h"
#include "platform/desktop/DesktopPresenter.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/record/Recorder.h"

namespace zarn {
namespace {

// Qt wants these to outlive its application object.
int gui_argc = 1;
char gui_name[] = "zarnplay";
char* gui_argv[] = {gui_name, nullptr};

}  // namespace

void AdjustForRecording(const Options& options, int& width, int& height, bool& idle_exit,
                        bool& dry_run) {
  if (!options.screen_given) {
    width = 1280;
    height = 720;
  }
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
  video.width = options.screen_given ? options.screen_width : 1280;
  video.height = options.screen_given ? options.screen_height : 720;
  video.fps = options.fps;
  // Frames are drawn off screen, whatever display there is.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (QCoreApplication::instance() == nullptr) {
    gui_ = std::make_unique<QApplication>(gui_argc, gui_argv);
  }
  recorder_ =
      std::make_unique<Recorder>(platform.VirtualLoop(), platform.HeadlessBackdropWindow(), video);
  RegisterMediaSound(platform.MediaPort().Interpreter(), platform.VirtualLoop(),
                     recorder_->MediaSound());
  // Slides are drawn as the desktop draws them; the show keeps virtual time.
  presenter_ = std::make_unique<DesktopPresenter>(platform.VirtualLoop(), platform.Recorder());
  platform.UsePresentation(presenter_.get());
  recorder_->SetSlides([this](QSize size) { return presenter_->ShownSlide(size); });
}

Recording::~Recording() = default;

SpeechPlanner Recording::Planner() { return recorder_->Scene().Planner(); }

void Recording::Attach(CharacterEngine& engine) {
  recorder_->Scene().Attach(engine);
  engine.SetRenderSink(&recorder_->Scene());
}

void Recording::Finish(Millis end_ms) { recorder_->Finish(end_ms); }

}  // namespace zarn
