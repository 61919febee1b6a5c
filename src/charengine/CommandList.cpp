#include "charengine/CommandList.h"

#include "base/VbError.h"
#include "base/VbString.h"
#include "charengine/ServiceErrors.h"

namespace zarn::engine {

void CommandList::Add(const std::string& name, const std::string& caption,
                      const std::string& voice) {
  if (name.empty()) throw VbError(service_error::kInvalidArgument, "A command needs a name");
  for (const CharacterCommand& command : commands_) {
    if (EqualsNoCase(command.name, name)) {
      throw VbError(service_error::kInvalidArgument, "The command \"" + name + "\" already exists");
    }
  }
  commands_.push_back({name, caption, voice});
}

const std::string& CommandList::CaptionOf(const std::string& name) const {
  for (const CharacterCommand& command : commands_) {
    if (EqualsNoCase(command.name, name)) return command.caption;
  }
  throw VbError(service_error::kInvalidArgument, "There is no command \"" + name + "\"");
}

}  // namespace zarn::engine
