#include "platform/desktop/DesktopPresenter.h"

#include <algorithm>

#include "base/VbError.h"
#include "platform/common/PresentationFile.h"
#include "platform/desktop/SlideDocument.h"
#include "platform/desktop/SlideWindow.h"

namespace zarn {

DesktopPresenter::DesktopPresenter(Scheduler& scheduler, Trace& trace)
    : logic_(scheduler, trace), trace_(trace) {}

DesktopPresenter::~DesktopPresenter() = default;

std::optional<std::pair<PresentationId, int32_t>> DesktopPresenter::Drawn() const { return drawn_; }

QImage DesktopPresenter::ShownSlide(QSize size) {
  if (!drawn_ || !logic_.Visible() || logic_.WindowState() == presentation::kWindowMinimized) {
    return {};
  }
  auto document = documents_.find(drawn_->first);
  if (document == documents_.end()) return {};
  const auto wanted = std::make_tuple(drawn_->first, drawn_->second, size);
  if (fitted_.isNull() || fitted_for_ != wanted) {
    fitted_ = document->second->RenderToFit(drawn_->second, size);
    fitted_for_ = wanted;
  }
  return fitted_;
}

void DesktopPresenter::CreateApplication(PresentationEvents* events) {
  logic_.CreateApplication(this);
  if (events != nullptr && std::find(sinks_.begin(), sinks_.end(), events) == sinks_.end()) {
    sinks_.push_back(events);
  }
}

void DesktopPresenter::ReleaseApplication(PresentationEvents* events) {
  sinks_.erase(std::remove(sinks_.begin(), sinks_.end(), events), sinks_.end());
}

void DesktopPresenter::Activate() { logic_.Activate(); }

void DesktopPresenter::SetVisible(bool visible) {
  logic_.SetVisible(visible);
  UpdateWindow();
}

void DesktopPresenter::SetWindowState(int32_t state) {
  logic_.SetWindowState(state);
  UpdateWindow();
}

void DesktopPresenter::CloseActiveWindow() {
  logic_.CloseActiveWindow();
  DropClosed();
}

void DesktopPresenter::CloseActivePresentation() {
  logic_.CloseActivePresentation();
  DropClosed();
}

void DesktopPresenter::Quit() {
  logic_.Quit();
  sinks_.clear();
  DropClosed();
}

PresentationId DesktopPresenter::OpenPresentation(const std::string& file, bool, bool,
                                                  bool with_window) {
  // Without the application the headless presenter gives the answer.
  if (!logic_.Running()) return logic_.OpenPresentation(file, false, false, with_window);
  std::string readable = file;
  std::unique_ptr<SlideDocument> slides;
  try {
    // What is no presentation is refused before LibreOffice is asked.
    if (IsBinaryPresentation(file)) {
      readable = converter_.Convert(file, SlideConverter::Format::kOpenDocument);
    }
    ReadPresentationFile(readable);
    slides = SlideDocument::Load(converter_.Convert(file, SlideConverter::Format::kPdf));
  } catch (const VbError& failure) {
    const std::string description = "Presentations.Open: " + failure.Description();
    trace_.Write(TraceRecord("show", "Open").Arg(file).Error(description));
    throw VbError(failure.Number(), description);
  }
  const PresentationId id = logic_.OpenConverted(file, readable, with_window);
  documents_[id] = std::move(slides);
  return id;
}

void DesktopPresenter::SetLoopUntilStopped(PresentationId id, bool loop) {
  logic_.SetLoopUntilStopped(id, loop);
}

void DesktopPresenter::SetAdvanceMode(PresentationId id, int32_t mode) {
  logic_.SetAdvanceMode(id, mode);
}

void DesktopPresenter::RunSlideShow(PresentationId id) { logic_.RunSlideShow(id); }

void DesktopPresenter::ViewNext(PresentationId id) { logic_.ViewNext(id); }

template <class F>
void DesktopPresenter::Forward(F&& event) {
  // A sink may release itself or quit the application while it handles it.
  const std::vector<PresentationEvents*> sinks = sinks_;
  for (PresentationEvents* sink : sinks) {
    if (std::find(sinks_.begin(), sinks_.end(), sink) != sinks_.end()) event(*sink);
  }
}

void DesktopPresenter::SlideShowBegin(PresentationId id) {
  Forward([id](PresentationEvents& sink) { sink.SlideShowBegin(id); });
}

void DesktopPresenter::SlideShowNextSlide(PresentationId id, int32_t slide_index) {
  auto document = documents_.find(id);
  if (document != documents_.end()) {
    if (!window_) {
      window_ = std::make_unique<SlideWindow>(
          [this] {
            if (drawn_) logic_.ViewerNext(drawn_->first);
          },
          [this] {
            if (drawn_) logic_.ViewerEnd(drawn_->first);
          });
    }
    drawn_ = {id, slide_index};
    window_->SetSlide(document->second->RenderToFit(slide_index, window_->ScreenSize()));
    UpdateWindow();
  }
  Forward(
      [id, slide_index](PresentationEvents& sink) { sink.SlideShowNextSlide(id, slide_index); });
}

void DesktopPresenter::SlideShowEnd(PresentationId id) {
  if (drawn_ && drawn_->first == id) {
    drawn_.reset();
    UpdateWindow();
  }
  Forward([id](PresentationEvents& sink) { sink.SlideShowEnd(id); });
}

void DesktopPresenter::UpdateWindow() {
  if (!window_) return;
  if (!drawn_ || !logic_.Visible()) {
    window_->hide();
  } else if (logic_.WindowState() == presentation::kWindowMinimized) {
    window_->showMinimized();
  } else if (!window_->isVisible() || window_->isMinimized()) {
    window_->ShowOnScreen();
  }
}

void DesktopPresenter::DropClosed() {
  for (auto it = documents_.begin(); it != documents_.end();) {
    it = logic_.IsOpen(it->first) ? std::next(it) : documents_.erase(it);
  }
  if (drawn_ && !logic_.IsOpen(drawn_->first)) drawn_.reset();
  UpdateWindow();
}

}  // namespace zarn
