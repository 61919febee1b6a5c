#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backend/Trace.h"
#include "platform/common/PresentationFile.h"
#include "ports/PresentationPort.h"
#include "ports/Scheduler.h"

namespace zarn {

// The presentation program with nobody watching: it reads the slide order
// and timings of .pptx/.ppsx/.odp files, runs shows on the scheduler's
// clock, raises the slideshow events from the pump and traces everything
// as kind "show".
class PresentationShow : public PresentationPort {
 public:
  PresentationShow(Scheduler& scheduler, Trace& trace);
  ~PresentationShow() override;

  void CreateApplication(PresentationEvents* events) override;
  void ReleaseApplication(PresentationEvents* events) override;
  void Activate() override;
  void SetVisible(bool visible) override;
  void SetWindowState(int32_t state) override;
  void CloseActiveWindow() override;
  void Quit() override;
  PresentationId OpenPresentation(const std::string& file, bool read_only, bool untitled,
                                  bool with_window) override;
  // Open with the slides and timings read from `readable`, a converted copy
  // of `file` (an old binary .ppt as an .odp).
  PresentationId OpenConverted(const std::string& file, const std::string& readable,
                               bool with_window);
  void CloseActivePresentation() override;
  void SetLoopUntilStopped(PresentationId presentation, bool loop) override;
  void SetAdvanceMode(PresentationId presentation, int32_t mode) override;
  void RunSlideShow(PresentationId presentation) override;
  void ViewNext(PresentationId presentation) override;

  // Test hook: the next `times` calls of `operation` (named as in the
  // trace; empty: of any operation) fail with presentation::kBusy.
  void AnswerBusy(int times, const std::string& operation = {});
  // The viewer's own keys in a show's window: the next slide, or the end
  // of the show (the only end of a looping one). Not calls, so not traced.
  void ViewerNext(PresentationId presentation);
  void ViewerEnd(PresentationId presentation);

  bool Running() const { return running_; }
  bool Visible() const { return visible_; }
  int32_t WindowState() const { return window_state_; }
  size_t OpenPresentations() const { return presentations_.size(); }
  bool IsOpen(PresentationId presentation) const { return presentations_.count(presentation) > 0; }
  // The slide the presentation's show is on; none when it is not showing.
  std::optional<int32_t> ShownSlide(PresentationId presentation) const;

 private:
  struct Show {
    bool running = false;
    size_t position = 0;  // index into the visible slide list
    std::optional<TimerId> timer;
  };
  struct Presentation {
    std::string file;
    SlideDeck deck;
    bool loop = false;
    int32_t advance_mode = presentation::kUseSlideTimings;
    bool has_window = false;
    Show show;
  };

  // Every call starts here: the busy answers, then the application check.
  void Enter(const char* operation, bool needs_application = true);
  template <class F>
  auto Traced(const char* operation, std::vector<TraceValue> args, F&& call);
  Presentation& Find(PresentationId id, const char* operation);
  std::vector<size_t> VisibleSlides(const Presentation& p) const;
  void Advance(PresentationId id);
  void ShowSlideAt(PresentationId id, size_t position);
  void EndShow(PresentationId id);
  void StopTimer(Presentation& p);
  // Posts an event for the pump; `showing` drops it if that presentation's
  // show has ended by then.
  void Raise(TraceRecord record, std::optional<PresentationId> showing,
             std::function<void(PresentationEvents&)> event);

  Scheduler& scheduler_;
  Trace& trace_;
  bool running_ = false;
  bool visible_ = false;
  int32_t window_state_ = presentation::kWindowNormal;
  std::vector<PresentationEvents*> sinks_;
  std::map<PresentationId, Presentation> presentations_;
  std::vector<PresentationId> window_order_;  // last is the active window
  PresentationId next_id_ = 1;
  std::map<std::string, int> busy_left_;
  // Pending posts check this so that nothing reaches a released sink or a
  // destroyed presenter.
  std::shared_ptr<bool> alive_;
};

}  // namespace zarn
