#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/Backends.h"
#include "app/Options.h"

namespace zarn {

// Builds the platform the options ask for, runs start-up and then the
// event loop until the main form unloads. Returns the exit code.
int RunPlayer(const Options& options, const Backends& backends);

// True when a display is there to draw on ($DISPLAY or $WAYLAND_DISPLAY).
bool DisplayPresent();

// Entry point shared by the programs: options, tools, player; a run needing
// a back end `backends` lacks starts the module program in its place.
int ZarnMain(const std::vector<std::string>& args, const Backends& backends);

}  // namespace zarn
