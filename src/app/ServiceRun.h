#pragma once

#include <optional>

#include "app/Options.h"

namespace zarn {

// --service (the character service on the session bus) and --say (a
// one-shot client of it); nothing for other runs.
std::optional<int> RunService(const Options& options);

// Shows a character, says the text, hides it and waits until it is gone.
int RunSay(const Options& options);

}  // namespace zarn
