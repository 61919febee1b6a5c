#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/Options.h"

namespace zarn {

// Builds the platform the options ask for, runs start-up and then the
// event loop until the main form unloads. Returns the exit code.
int RunPlayer(const Options& options);

// Entry point shared by main and the tests: options, tools, player.
int ZarnMain(const std::vector<std::string>& args);

}  // namespace zarn
