#include "core/media/CPowerPoint.h"

#include "core/agent/CAgent.h"
#include "core/errortrap/bErrorTrap.h"
#include "core/script/ResolveResourcePath.h"
#include "core/shell/Program.h"
#include "ports/DesktopPort.h"

namespace zarn {
namespace {

constexpr int kMaxBusyAnswers = 10;
constexpr int32_t kBusyPauseMs = 100;
const std::string kSlideCut = "\r\n#";

}  // namespace

CPowerPoint::CPowerPoint(Program& program) : program_(program) {}

CPowerPoint::~CPowerPoint() {
  if (app_ != nullptr) app_->ReleaseApplication(this);
}

PresentationPort& CPowerPoint::App() {
  if (app_ == nullptr) ThrowNoObject();
  return *app_;
}

std::vector<std::string> CPowerPoint::CutSlideScripts(const std::string& script) {
  std::vector<std::string> pieces;
  if (script.empty()) return pieces;
  size_t start = 0;
  for (;;) {
    const size_t cut = script.find(kSlideCut, start);
    if (cut == std::string::npos) break;
    pieces.push_back(script.substr(start, cut - start));
    start = cut + kSlideCut.size();
  }
  pieces.push_back(script.substr(start));
  return pieces;
}

void CPowerPoint::PowerPointSlideshow(const std::string& file, const std::string& script) {
  ProcedureScope proc{program_.errors, "CPowerPoint.PowerPointSlideshow"};
  DesktopPort& desktop = program_.ports.desktop;
  const ScriptDocument& doc = program_.document;
  int busy_answers = 0;
  bool failed = false;

  // One statement of the numbered steps. A busy presentation program is
  // asked again after a pause, ten answers at most per call; any other
  // failure, and the tenth busy answer, end the method at the trap.
  auto statement = [&](int32_t label, auto&& body) {
    if (failed) return;
    proc.Line(label);
    for (;;) {
      try {
        body();
        return;
      } catch (...) {
        const VbError failure = CurrentFailure(std::current_exception());
        if (failure.Number() == presentation::kBusy) {
          ++busy_answers;
          desktop.Sleep(kBusyPauseMs);
          if (busy_answers < kMaxBusyAnswers) continue;
        }
        proc.Report(failure);
        failed = true;
        return;
      }
    }
  };

  statement(10, [&] { slide_scripts_ = CutSlideScripts(script); });
  if (failed) return;
  if (slide_scripts_.empty() || slide_scripts_.front().empty()) {
    statement(20, [&] {
      desktop.MessageBox("ZARN Script not found.", MessageIcon::kWarning, MessageButtons::kOk,
                         "ZARNPlay");
    });
    return;
  }
  statement(30, [&] {
    if (program_.ports.presentation == nullptr) {
      throw VbError(429, "ActiveX component can't create object");
    }
    program_.ports.presentation->CreateApplication(this);
    app_ = program_.ports.presentation;
  });
  statement(30, [&] { desktop.DoEvents(); });
  statement(40, [&] { App().Activate(); });
  std::string resolved = file;
  statement(40, [&] {
    std::string temp_name;
    resolved = ResolveResourcePath(program_, file, temp_name);
  });
  statement(50, [&] { presentation_ = App().OpenPresentation(resolved, false, false, true); });
  statement(50, [&] { desktop.DoEvents(); });
  statement(60, [&] { App().SetVisible(true); });
  statement(70, [&] {
    if (!presentation_) ThrowNoObject();
    if (doc.PowerPointRepeat != 0) App().SetLoopUntilStopped(*presentation_, true);
  });
  statement(70, [&] {
    if (doc.PowerPointAutoAdvance == 0) {
      App().SetAdvanceMode(*presentation_, presentation::kUseSlideTimings);
    }
  });
  statement(80, [&] { desktop.DoEvents(); });
  statement(80, [&] { App().RunSlideShow(*presentation_); });
}

void CPowerPoint::ppApp_SlideShowBegin(PresentationId) {}

void CPowerPoint::ppApp_SlideShowNextSlide(PresentationId, int32_t slide_index) {
  ProcedureScope proc{program_.errors, "CPowerPoint.ppApp_SlideShowNextSlide"};
  // A slide script may start another slideshow, which replaces this one in
  // the program; stay alive until this handler is done.
  const std::shared_ptr<CPowerPoint> keep = weak_from_this().lock();
  proc.LeaveVoid([&] {
    proc.Line(10);
    current_slide_index_ = slide_index;
    proc.Line(20);
    if (!program_.agent) ThrowNoObject();
    program_.agent->CharStopAll();
    proc.Line(30);
    if (slide_index < 1 || static_cast<size_t>(slide_index) > slide_scripts_.size()) return;
    const std::string piece = slide_scripts_[static_cast<size_t>(slide_index) - 1];
    program_.document.PowerPointMode = true;
    program_.agent->PlayScript(piece, false, true, false);
    program_.document.PowerPointMode = false;
  });
}

void CPowerPoint::ppApp_SlideShowEnd(PresentationId) {
  const std::shared_ptr<CPowerPoint> keep = weak_from_this().lock();
  Silently([&] { App().SetWindowState(presentation::kWindowMinimized); });
  Silently([&] { App().SetVisible(false); });
  Silently([&] { App().CloseActiveWindow(); });
  Silently([&] { App().CloseActivePresentation(); });
  presentation_.reset();
  Silently([&] { App().SetVisible(false); });
  Silently([&] { App().Quit(); });
  if (app_ != nullptr) app_->ReleaseApplication(this);
  app_ = nullptr;
}

void CPowerPoint::AdvanceSlide() {
  Silently([&] {
    if (!presentation_) ThrowNoObject();
    App().ViewNext(*presentation_);
  });
}

void CPowerPoint::PowerPointSlideshowStop() {
  repeat_ = false;
  auto_advance_ = false;
}

void StartPowerPointSlideshow(Program& program, const std::string& path, const std::string& text) {
  const ScriptDocument& doc = program.document;
  auto show = std::make_shared<CPowerPoint>(program);
  program.powerpoint = show;
  show->SetRepeat(doc.PowerPointRepeat != 0);
  show->SetAutoAdvance(doc.PowerPointAutoAdvance != 0);
  show->SetPause(doc.PowerPointPause);
  show->PowerPointSlideshow(path, text);
}

void InstallSlideshow(Program& program) {
  if (program.ports.presentation == nullptr) return;
  program.StartSlideshow = [&program](const std::string& path, const std::string& text) {
    StartPowerPointSlideshow(program, path, text);
  };
}

}  // namespace zarn
