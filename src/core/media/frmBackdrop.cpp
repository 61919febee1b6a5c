#include "core/media/frmBackdrop.h"

#include "core/errortrap/bErrorTrap.h"
#include "core/media/bBackdrop.h"
#include "core/shell/Program.h"
#include "ports/DesktopPort.h"

namespace zarn {
frmBackdrop::frmBackdrop(Program& program, BackdropWindowPort& window)
    : program_(program), window_(window) {
  program_.backdrop_form = this;
  window_.SetEvents(this);
}

frmBackdrop::~frmBackdrop() {
  CancelTick();
  window_.SetEvents(nullptr);
  if (program_.backdrop_form == this) program_.backdrop_form = nullptr;
}

frmBackdrop* frmBackdrop::Of(const Program& program) { return program.backdrop_form; }

BackdropWindowPort& frmBackdrop::Window() {
  if (!loaded_) {
    loaded_ = true;
    glyph_visible_ = false;
    window_.Load();
    window_.SetCloseGlyphToolTip("Close ZARN Script");
    Form_Load();
  }
  return window_;
}

void frmBackdrop::Unload() {
  if (!loaded_ || unloading_) return;
  unloading_ = true;
  Form_Unload();
  SetTimerEnabled(false);
  window_.Unload();
  loaded_ = false;
  glyph_visible_ = false;
  unloading_ = false;
}

void frmBackdrop::SetTimerEnabled(bool enabled) {
  if (!enabled) {
    timer_enabled_ = false;
    CancelTick();
    return;
  }
  Window();
  if (timer_enabled_) return;
  timer_enabled_ = true;
  ScheduleTick();
}

// One tick is pending at a time, and none while the timer is off, so an
// idle program with no loop running has nothing scheduled.
void frmBackdrop::ScheduleTick() {
  tick_ = program_.ports.scheduler.PostAfter(kTimerInterval, [this] {
    tick_.reset();
    if (!timer_enabled_) return;
    tmrMIDI_Timer();
    if (timer_enabled_ && !tick_) ScheduleTick();
  });
}

void frmBackdrop::CancelTick() {
  if (tick_) program_.ports.scheduler.Cancel(*tick_);
  tick_.reset();
}

void frmBackdrop::Form_Load() {
  ProcedureScope proc{program_.errors, "frmBackdrop.Form_Load"};
  proc.LeaveVoid([&] {
    const DesktopPort& screen = program_.ports.desktop;
    proc.Line(10);
    window_.Move(0, 0, screen.ScreenWidthTwips(), screen.ScreenHeightTwips());
    proc.Line(20);
    window_.MoveCloseGlyph(screen.ScreenWidthTwips() - kCloseGlyphSide - 100, 100);
    proc.Line(30);
    window_.SetPictureBorder(0, false);
    window_.SetPictureBorder(1, false);
  });
}

void frmBackdrop::Form_DblClick() {
  glyph_visible_ = true;
  window_.SetCloseGlyphVisible(true);
}

void frmBackdrop::imgBG_DblClick(int) { Form_DblClick(); }

void frmBackdrop::Form_MouseDown(int button, int shift, float, float) {
  if (button != kRightButton || shift != 0) return;
  const std::optional<int> chosen = window_.PopupMenu({"Close"});
  if (chosen == 0) mnuClose_Click();
}

void frmBackdrop::imgBG_MouseDown(int, int button, int shift, float x, float y) {
  Form_MouseDown(button, shift, x, y);
}

void frmBackdrop::imgClose_Click() { Unload(); }

void frmBackdrop::mnuClose_Click() { Unload(); }

void frmBackdrop::Form_Unload() { bBackdrop::StopAllMedia(program_); }

void frmBackdrop::tmrMIDI_Timer() { bBackdrop::MediaLoopTick(program_); }

void frmBackdrop::DblClick(int element) {
  if (!loaded_) return;
  if (element == kBackdropSurface) {
    Form_DblClick();
  } else {
    imgBG_DblClick(element);
  }
}

void frmBackdrop::MouseDown(int element, int button, int shift, float x, float y) {
  if (!loaded_) return;
  if (element == kBackdropSurface) {
    Form_MouseDown(button, shift, x, y);
  } else {
    imgBG_MouseDown(element, button, shift, x, y);
  }
}

}  // namespace zarn
