#pragma once

#include <cstdint>
#include <string>

namespace zarn {

using PresentationId = int32_t;

namespace presentation {
// Error numbers the presentation program answers with.
inline constexpr int32_t kBusy = -2147188160;    // 80048240: busy, try again
inline constexpr int32_t kFailed = -2147467259;  // 80004005: the call failed
inline constexpr int32_t kServerGone = 462;      // the application has quit
// Slideshow advance modes and window states, by their published numbers.
inline constexpr int32_t kManualAdvance = 1;
inline constexpr int32_t kUseSlideTimings = 2;
inline constexpr int32_t kWindowNormal = 1;
inline constexpr int32_t kWindowMinimized = 2;
}  // namespace presentation

// Slideshow events of the application. They are delivered from the event
// pump, never from inside one of the port's calls.
class PresentationEvents {
 public:
  virtual ~PresentationEvents() = default;
  virtual void SlideShowBegin(PresentationId presentation) = 0;
  // `slide_index` counts from 1 in presentation order, hidden slides
  // included (the window's View.Slide.SlideIndex).
  virtual void SlideShowNextSlide(PresentationId presentation, int32_t slide_index) = 0;
  virtual void SlideShowEnd(PresentationId presentation) = 0;
};

// The presentation program's automation interface. Every call may throw
// VbError; presentation::kBusy means the same call may succeed later.
class PresentationPort {
 public:
  virtual ~PresentationPort() = default;

  // Creates (or reaches) the running application and connects `events`;
  // Release disconnects them again and never fails.
  virtual void CreateApplication(PresentationEvents* events) = 0;
  virtual void ReleaseApplication(PresentationEvents* events) = 0;

  virtual void Activate() = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void SetWindowState(int32_t state) = 0;
  virtual void CloseActiveWindow() = 0;
  virtual void Quit() = 0;

  // Presentations.Open; the opened presentation becomes the active one.
  virtual PresentationId OpenPresentation(const std::string& file, bool read_only, bool untitled,
                                          bool with_window) = 0;
  virtual void CloseActivePresentation() = 0;

  // The presentation's SlideShowSettings.
  virtual void SetLoopUntilStopped(PresentationId presentation, bool loop) = 0;
  virtual void SetAdvanceMode(PresentationId presentation, int32_t mode) = 0;
  virtual void RunSlideShow(PresentationId presentation) = 0;

  // SlideShowWindow.View.Next of the presentation's running show.
  virtual void ViewNext(PresentationId presentation) = 0;
};

}  // namespace zarn
