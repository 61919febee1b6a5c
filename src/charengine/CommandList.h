#pragma once

#include <string>
#include <vector>

#include "charengine/CharacterEngine.h"

namespace zarn::engine {

// The commands a character offers in its menu and to the voice, in the
// order they were added, with the caption and voice of the whole list.
class CommandList {
 public:
  // Throws for an empty name or one already there (names match without case).
  void Add(const std::string& name, const std::string& caption, const std::string& voice);
  void RemoveAll() { commands_.clear(); }
  // Throws for a name not there.
  const std::string& CaptionOf(const std::string& name) const;
  const std::vector<CharacterCommand>& All() const { return commands_; }

  std::string caption;
  std::string voice;
  // Captions of the character's other clients, to switch to one of them.
  std::vector<std::string> other_clients;

 private:
  std::vector<CharacterCommand> commands_;
};

}  // namespace zarn::engine
