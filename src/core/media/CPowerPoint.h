#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ports/PresentationPort.h"

namespace zarn {

struct Program;

// One narrated slideshow: opens the presentation in the presentation
// program, runs it, and plays each slide's piece of the script when the
// slide comes up.
class CPowerPoint : public PresentationEvents, public std::enable_shared_from_this<CPowerPoint> {
 public:
  explicit CPowerPoint(Program& program);
  ~CPowerPoint() override;
  CPowerPoint(const CPowerPoint&) = delete;
  CPowerPoint& operator=(const CPowerPoint&) = delete;

  // Copies of the script document's settings; the show itself reads the
  // document.
  bool AutoAdvance() const { return auto_advance_; }
  void SetAutoAdvance(bool value) { auto_advance_ = value; }
  int32_t Pause() const { return pause_; }
  void SetPause(int32_t value) { pause_ = value; }
  bool Repeat() const { return repeat_; }
  void SetRepeat(bool value) { repeat_ = value; }

  void PowerPointSlideshow(const std::string& file, const std::string& script);
  void AdvanceSlide();
  int32_t GetCurrentSlideIndex() const { return current_slide_index_; }
  void PowerPointSlideshowStop();

  void ppApp_SlideShowBegin(PresentationId Wn);
  void ppApp_SlideShowNextSlide(PresentationId Wn, int32_t slide_index);
  void ppApp_SlideShowEnd(PresentationId Pres);

  void SlideShowBegin(PresentationId presentation) override { ppApp_SlideShowBegin(presentation); }
  void SlideShowNextSlide(PresentationId presentation, int32_t slide_index) override {
    ppApp_SlideShowNextSlide(presentation, slide_index);
  }
  void SlideShowEnd(PresentationId presentation) override { ppApp_SlideShowEnd(presentation); }

  // The script cut before every line that begins with "#": piece 0 is
  // slide 1's. No pieces for an empty script.
  static std::vector<std::string> CutSlideScripts(const std::string& script);
  const std::vector<std::string>& SlideScripts() const { return slide_scripts_; }

 private:
  PresentationPort& App();

  Program& program_;
  PresentationPort* app_ = nullptr;  // set while connected to the application
  std::optional<PresentationId> presentation_;
  int32_t current_slide_index_ = 0;
  std::vector<std::string> slide_scripts_;
  bool repeat_ = false;
  int32_t pause_ = 0;
  bool auto_advance_ = false;
};

// Sets the program's slideshow start (used by the interpreter) when the
// platform has a presentation program: every start makes a new CPowerPoint
// in place of the previous one.
void InstallSlideshow(Program& program);
void StartPowerPointSlideshow(Program& program, const std::string& path, const std::string& text);

}  // namespace zarn
