#pragma once

#include <cstdint>
#include <memory>

#include "platform/CharacterServicePort.h"
#include "platform/Scheduler.h"

namespace zarn {

// Our character engine, on the given scheduler, with branch choices drawn
// from `seed`.
std::unique_ptr<CharacterServicePort> MakeCharacterService(Scheduler& scheduler, uint32_t seed);

}  // namespace zarn
