#pragma once

#include "app/Options.h"

namespace zarn {

// Plays the program on the desktop platform until it ends.
int RunDesktopPlayer(const Options& options);

}  // namespace zarn
