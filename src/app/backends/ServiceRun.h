#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "app/Options.h"
#include "ports/CharacterServicePort.h"

namespace zarn {

// --service (the character service on the session bus) and --say (a
// one-shot client of it); nothing for other runs.
std::optional<int> RunService(const Options& options);

// For a desktop run: the service's characters in place of the engine's
// when the service is on the bus (or --service-client asks); empty when
// the run plays alone.
std::function<std::unique_ptr<CharacterServicePort>(CharacterServicePort&)> ServiceClient(
    const Options& options);

// Shows a character, says the text, hides it and waits until it is gone.
int RunSay(const Options& options);

}  // namespace zarn
