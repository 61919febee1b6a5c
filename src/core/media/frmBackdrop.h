#pragma once

#include <cstdint>
#include <optional>

#include "ports/BackdropWindowPort.h"
#include "ports/Scheduler.h"

namespace zarn {

struct Program;

// The full-screen backdrop and the media loop timer it carries. One object
// lives as long as the program; its window is loaded on first use, and
// unloading discards the window, its pictures and the timer until the next
// use loads a fresh one.
class frmBackdrop : public BackdropEvents {
 public:
  // Registers itself as the program's backdrop form for its lifetime.
  frmBackdrop(Program& program, BackdropWindowPort& window);
  ~frmBackdrop() override;
  frmBackdrop(const frmBackdrop&) = delete;
  frmBackdrop& operator=(const frmBackdrop&) = delete;

  // The program's backdrop form, or null when it has none.
  static frmBackdrop* Of(const Program& program);

  bool Loaded() const { return loaded_; }
  // The window, loaded (hidden) if it is not yet.
  BackdropWindowPort& Window();
  void Show() { Window().Show(); }
  void Hide() { Window().Hide(); }
  void Unload();

  // tmrMIDI: every 500 ms while enabled. Enabling loads the window.
  static constexpr Millis kTimerInterval = 500;
  bool TimerEnabled() const { return timer_enabled_; }
  void SetTimerEnabled(bool enabled);

  bool CloseGlyphVisible() const { return glyph_visible_; }

  // bBackdrop's picture buffers: which imgBG element holds the latest
  // picture. Module state, so it survives unloading.
  int current_index = 0;
  int other_index = 0;

  void Form_Load();
  void Form_DblClick();
  void imgBG_DblClick(int index);
  void Form_MouseDown(int button, int shift, float x, float y);
  void imgBG_MouseDown(int index, int button, int shift, float x, float y);
  void imgClose_Click();
  void mnuClose_Click();
  void Form_Unload();
  void tmrMIDI_Timer();

  void DblClick(int element) override;
  void MouseDown(int element, int button, int shift, float x, float y) override;
  void CloseGlyphClick() override { imgClose_Click(); }

 private:
  static constexpr int32_t kCloseGlyphSide = 150;

  void ScheduleTick();
  void CancelTick();

  Program& program_;
  BackdropWindowPort& window_;
  bool loaded_ = false;
  bool unloading_ = false;
  bool glyph_visible_ = false;
  bool timer_enabled_ = false;
  std::optional<TimerId> tick_;
};

}  // namespace zarn
