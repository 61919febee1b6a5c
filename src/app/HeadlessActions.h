#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/Options.h"
#include "ports/CharacterServicePort.h"

namespace zarn {

class HeadlessDesktop;
class VirtualTimeLoop;

// Plays the --act user actions at their virtual times.
class HeadlessActions {
 public:
  HeadlessActions(HeadlessDesktop& desktop, VirtualTimeLoop& loop);

  void Schedule(const std::vector<ScheduledAction>& actions);
  // Carries out one action now; false (with a message on stderr) when the
  // action is not understood.
  bool Perform(const std::string& action);

  // Backdrop actions ("dblclick", "rightclick shift", "menu Close", "glyph").
  std::function<bool(const std::string& what)> BackdropAction;
  // The user gives the current character a command (voice or menu).
  std::function<void(UserInput input)> GiveCommand;
  // The current character hears a recording; false when it cannot be read.
  std::function<bool(const std::string& wave_path)> Hear;

 private:
  HeadlessDesktop& desktop_;
  VirtualTimeLoop& loop_;
};

}  // namespace zarn
