#include "platform/common/PresentationShow.h"

#include <algorithm>
#include <type_traits>

#include "base/VbError.h"

namespace zarn {
namespace {

// A slide with a zero timing still stays up this long, so that a looping
// show of such slides cannot hold the virtual clock still.
constexpr Millis kMinimumSlideMs = 100;

[[noreturn]] void Fail(const std::string& description) {
  throw VbError(presentation::kFailed, description);
}

}  // namespace

PresentationShow::PresentationShow(Scheduler& scheduler, Trace& trace)
    : scheduler_(scheduler), trace_(trace), alive_(std::make_shared<bool>(true)) {}

PresentationShow::~PresentationShow() {
  *alive_ = false;
  for (auto& [id, p] : presentations_) StopTimer(p);
}

void PresentationShow::AnswerBusy(int times, const std::string& operation) {
  busy_left_[operation] = std::max(times, 0);
}

void PresentationShow::Enter(const char* operation, bool needs_application) {
  for (const std::string& key : {std::string(operation), std::string()}) {
    auto busy = busy_left_.find(key);
    if (busy == busy_left_.end() || busy->second == 0) continue;
    --busy->second;
    throw VbError(presentation::kBusy,
                  std::string(operation) + ": the presentation program is busy");
  }
  if (needs_application && !running_) {
    throw VbError(presentation::kServerGone,
                  "The remote server machine does not exist or is unavailable");
  }
}

template <class F>
auto PresentationShow::Traced(const char* operation, std::vector<TraceValue> args, F&& call) {
  TraceRecord record("show", operation);
  record.args = std::move(args);
  try {
    Enter(operation, std::string_view(operation) != "Application");
    if constexpr (std::is_void_v<decltype(call())>) {
      call();
      trace_.Write(record);
    } else {
      auto result = call();
      trace_.Write(record);
      return result;
    }
  } catch (const VbError& failure) {
    trace_.Write(record.Error(failure.Description()));
    throw;
  }
}

PresentationShow::Presentation& PresentationShow::Find(PresentationId id, const char* operation) {
  auto it = presentations_.find(id);
  if (it == presentations_.end()) {
    Fail(std::string(operation) + ": the presentation is no longer open");
  }
  return it->second;
}

std::optional<int32_t> PresentationShow::ShownSlide(PresentationId id) const {
  auto it = presentations_.find(id);
  if (it == presentations_.end() || !it->second.show.running) return std::nullopt;
  return static_cast<int32_t>(VisibleSlides(it->second)[it->second.show.position] + 1);
}

void PresentationShow::CreateApplication(PresentationEvents* events) {
  Traced("Application", {}, [&] {
    running_ = true;
    if (events != nullptr && std::find(sinks_.begin(), sinks_.end(), events) == sinks_.end()) {
      sinks_.push_back(events);
    }
  });
}

void PresentationShow::ReleaseApplication(PresentationEvents* events) {
  sinks_.erase(std::remove(sinks_.begin(), sinks_.end(), events), sinks_.end());
}

void PresentationShow::Activate() {
  Traced("Activate", {}, [] {});
}

void PresentationShow::SetVisible(bool visible) {
  Traced("Visible", {visible}, [&] { visible_ = visible; });
}

void PresentationShow::SetWindowState(int32_t state) {
  Traced("WindowState", {int64_t{state}}, [&] {
    if (state < presentation::kWindowNormal || state > 3) Fail("WindowState: value out of range");
    window_state_ = state;
  });
}

void PresentationShow::CloseActiveWindow() {
  Traced("Close", {std::string("window")}, [&] {
    if (window_order_.empty()) Fail("ActiveWindow: there is no open window");
    // A presentation's only window takes the presentation with it.
    const PresentationId id = window_order_.back();
    window_order_.pop_back();
    Presentation& p = presentations_.at(id);
    if (p.show.running) EndShow(id);
    presentations_.erase(id);
  });
}

void PresentationShow::CloseActivePresentation() {
  Traced("Close", {std::string("presentation")}, [&] {
    if (window_order_.empty()) Fail("ActivePresentation: there is no active presentation");
    const PresentationId id = window_order_.back();
    window_order_.pop_back();
    Presentation& p = presentations_.at(id);
    if (p.show.running) EndShow(id);
    presentations_.erase(id);
  });
}

void PresentationShow::Quit() {
  Traced("Quit", {}, [&] {
    for (auto& [id, p] : presentations_) StopTimer(p);
    presentations_.clear();
    window_order_.clear();
    sinks_.clear();
    running_ = false;
    visible_ = false;
    // Events already posted belong to the application that just ended.
    *alive_ = false;
    alive_ = std::make_shared<bool>(true);
  });
}

PresentationId PresentationShow::OpenPresentation(const std::string& file, bool, bool,
                                                  bool with_window) {
  return OpenConverted(file, file, with_window);
}

PresentationId PresentationShow::OpenConverted(const std::string& file, const std::string& readable,
                                               bool with_window) {
  return Traced("Open", {file}, [&] {
    Presentation p;
    try {
      p.deck = ReadPresentationFile(readable);
    } catch (const VbError& failure) {
      throw VbError(failure.Number(), "Presentations.Open: " + failure.Description());
    }
    p.file = file;
    p.loop = p.deck.loop;
    p.advance_mode =
        p.deck.use_timings ? presentation::kUseSlideTimings : presentation::kManualAdvance;
    p.has_window = with_window;
    const PresentationId id = next_id_++;
    presentations_.emplace(id, std::move(p));
    if (with_window) window_order_.push_back(id);
    return id;
  });
}

void PresentationShow::SetLoopUntilStopped(PresentationId id, bool loop) {
  Traced("LoopUntilStopped", {loop}, [&] { Find(id, "LoopUntilStopped").loop = loop; });
}

void PresentationShow::SetAdvanceMode(PresentationId id, int32_t mode) {
  Traced("AdvanceMode", {int64_t{mode}}, [&] {
    Presentation& p = Find(id, "AdvanceMode");
    if (mode < presentation::kManualAdvance || mode > 3) Fail("AdvanceMode: value out of range");
    p.advance_mode = mode;
  });
}

std::vector<size_t> PresentationShow::VisibleSlides(const Presentation& p) const {
  std::vector<size_t> visible;
  for (size_t i = 0; i < p.deck.slides.size(); ++i) {
    if (!p.deck.slides[i].hidden) visible.push_back(i);
  }
  return visible;
}

void PresentationShow::RunSlideShow(PresentationId id) {
  Traced("Run", {}, [&] {
    Presentation& p = Find(id, "Run");
    if (VisibleSlides(p).empty()) Fail("Run: the presentation has no slides to show");
    StopTimer(p);
    p.show.running = true;
    Raise(TraceRecord("show", "SlideShowBegin"), std::nullopt,
          [id](PresentationEvents& sink) { sink.SlideShowBegin(id); });
    ShowSlideAt(id, 0);
  });
}

void PresentationShow::ViewNext(PresentationId id) {
  Traced("Next", {}, [&] {
    Presentation& p = Find(id, "Next");
    if (!p.show.running) Fail("SlideShowWindow: the presentation is not being shown");
    Advance(id);
  });
}

void PresentationShow::ViewerNext(PresentationId id) {
  auto it = presentations_.find(id);
  if (running_ && it != presentations_.end() && it->second.show.running) Advance(id);
}

void PresentationShow::ViewerEnd(PresentationId id) {
  auto it = presentations_.find(id);
  if (running_ && it != presentations_.end() && it->second.show.running) EndShow(id);
}

void PresentationShow::Advance(PresentationId id) {
  Presentation& p = presentations_.at(id);
  StopTimer(p);
  const size_t next = p.show.position + 1;
  if (next < VisibleSlides(p).size()) {
    ShowSlideAt(id, next);
  } else if (p.loop) {
    ShowSlideAt(id, 0);
  } else {
    EndShow(id);
  }
}

void PresentationShow::ShowSlideAt(PresentationId id, size_t position) {
  Presentation& p = presentations_.at(id);
  p.show.position = position;
  const size_t slide = VisibleSlides(p)[position];
  const int32_t slide_index = static_cast<int32_t>(slide + 1);
  Raise(TraceRecord("show", "NextSlide").Arg(slide_index), id,
        [id, slide_index](PresentationEvents& sink) { sink.SlideShowNextSlide(id, slide_index); });
  const auto& timing = p.deck.slides[slide].advance_ms;
  if (p.advance_mode == presentation::kUseSlideTimings && timing) {
    p.show.timer = scheduler_.PostAfter(std::max(*timing, kMinimumSlideMs), [this, id] {
      auto it = presentations_.find(id);
      if (it == presentations_.end() || !it->second.show.running) return;
      it->second.show.timer.reset();
      Advance(id);
    });
  }
}

void PresentationShow::EndShow(PresentationId id) {
  Presentation& p = presentations_.at(id);
  StopTimer(p);
  p.show.running = false;
  Raise(TraceRecord("show", "SlideShowEnd"), std::nullopt,
        [id](PresentationEvents& sink) { sink.SlideShowEnd(id); });
}

void PresentationShow::StopTimer(Presentation& p) {
  if (p.show.timer) scheduler_.Cancel(*p.show.timer);
  p.show.timer.reset();
}

void PresentationShow::Raise(TraceRecord record, std::optional<PresentationId> showing,
                             std::function<void(PresentationEvents&)> event) {
  std::weak_ptr<bool> alive = alive_;
  scheduler_.Post([this, alive, record = std::move(record), showing, event = std::move(event)] {
    const auto still = alive.lock();
    if (!still || !*still) return;
    // A slide that was left before the program saw it is not reported.
    if (showing) {
      auto it = presentations_.find(*showing);
      if (it == presentations_.end() || !it->second.show.running) return;
    }
    trace_.Write(record);
    const std::vector<PresentationEvents*> sinks = sinks_;
    for (PresentationEvents* sink : sinks) {
      if (std::find(sinks_.begin(), sinks_.end(), sink) == sinks_.end()) continue;
      event(*sink);
      if (!still || !*still) return;
    }
  });
}

}  // namespace zarn
