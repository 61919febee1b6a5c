#pragma once

#include <QImage>
#include <QSize>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "backend/Trace.h"
#include "platform/common/PresentationShow.h"
#include "platform/desktop/SlideConverter.h"
#include "ports/PresentationPort.h"
#include "ports/Scheduler.h"

namespace zarn {

class SlideDocument;
class SlideWindow;

// The presentation program on the desktop. The show itself (slide order,
// timings, looping, events, the trace) is the headless presenter's on the
// wall clock; this adds the slides on the screen: LibreOffice turns each
// file into a PDF once, and the slide each event names is drawn full screen.
class DesktopPresenter : public PresentationPort, private PresentationEvents {
 public:
  DesktopPresenter(Scheduler& scheduler, Trace& trace);
  ~DesktopPresenter() override;

  void CreateApplication(PresentationEvents* events) override;
  void ReleaseApplication(PresentationEvents* events) override;
  void Activate() override;
  void SetVisible(bool visible) override;
  void SetWindowState(int32_t state) override;
  void CloseActiveWindow() override;
  void Quit() override;
  PresentationId OpenPresentation(const std::string& file, bool read_only, bool untitled,
                                  bool with_window) override;
  void CloseActivePresentation() override;
  void SetLoopUntilStopped(PresentationId presentation, bool loop) override;
  void SetAdvanceMode(PresentationId presentation, int32_t mode) override;
  void RunSlideShow(PresentationId presentation) override;
  void ViewNext(PresentationId presentation) override;

  // The slide on the screen (presentation and slide index); none when no
  // show is drawn.
  std::optional<std::pair<PresentationId, int32_t>> Drawn() const;
  // The slide on the screen fitted to `size` (a recording's frame); null
  // when no show is visible.
  QImage ShownSlide(QSize size);

 private:
  void SlideShowBegin(PresentationId presentation) override;
  void SlideShowNextSlide(PresentationId presentation, int32_t slide_index) override;
  void SlideShowEnd(PresentationId presentation) override;

  // Places the show window as the application's state asks.
  void UpdateWindow();
  // Forgets the documents of presentations that were closed.
  void DropClosed();
  template <class F>
  void Forward(F&& event);

  PresentationShow logic_;
  Trace& trace_;
  SlideConverter converter_;
  std::vector<PresentationEvents*> sinks_;
  std::map<PresentationId, std::unique_ptr<SlideDocument>> documents_;
  std::unique_ptr<SlideWindow> window_;
  std::optional<std::pair<PresentationId, int32_t>> drawn_;
  // The last slide ShownSlide rendered, and for what.
  std::tuple<PresentationId, int32_t, QSize> fitted_for_{};
  QImage fitted_;
};

}  // namespace zarn
