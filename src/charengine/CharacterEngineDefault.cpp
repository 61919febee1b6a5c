#include "charengine/CharacterEngine.h"

namespace zarn {

// Apart from the engine so that tests with their own loader need no reader.
CharacterEngine::CharacterEngine(Scheduler& scheduler, CharacterEngineOptions options)
    : CharacterEngine(scheduler, std::move(options), LoadCharacterModel) {}

}  // namespace zarn
