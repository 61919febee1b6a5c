#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zarn {
namespace bUserVariables {

struct Entry {
  std::string group;  // "Command" or "Script"
  std::string name;
  std::string value;
};

// Removes every entry of the group (exact letter case); the rest keep order.
void RemoveVariableGroup(const std::string& group);
// Appends one entry; a name already present gets a second entry.
void AddVariable(const std::string& group, const std::string& name, const std::string& value);
// Replaces %name% references, user variables first in store order, then the
// process environment; letter case ignored.
void SubstituteVariables(std::string& text);

// "NAME=value" entries in the platform's order. Default: the process
// environment.
void SetEnvironmentSource(std::function<std::vector<std::string>()> source);

std::vector<Entry> Entries();
// For tests: empties the store and restores the default environment source.
void Clear();

}  // namespace bUserVariables
}  // namespace zarn
