#pragma once

#include <optional>

#include "app/Options.h"

namespace zarn {

// Runs the tool an option names (--char-info, --make-exe, ...) and gives its
// exit code; none when the options ask for the player.
std::optional<int> RunTool(const Options& options);

}  // namespace zarn
