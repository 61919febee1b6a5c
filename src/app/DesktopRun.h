#pragma once

#include "app/Options.h"

namespace zarn {

// True when a display is there to draw on ($DISPLAY or $WAYLAND_DISPLAY).
bool DisplayPresent();

// Plays the program on the desktop platform until it ends.
int RunDesktopPlayer(const Options& options);

}  // namespace zarn
