#pragma once

#include <cstdint>
#include <memory>

#include "ports/Scheduler.h"

namespace zarn {

class CharacterEngine;

// Our character engine on the given scheduler, finding characters in the
// character folders, with branch choices drawn from `seed`.
std::unique_ptr<CharacterEngine> MakeCharacterEngine(Scheduler& scheduler, uint32_t seed);

}  // namespace zarn
