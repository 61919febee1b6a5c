#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zarn {

namespace bErrorTrap {
class Trap;
}

namespace bUserVariables {

struct Entry {
  std::string group;  // "Command" or "Script"
  std::string name;
  std::string value;
};

// "NAME=value" entries in the platform's order.
using EnvironmentSource = std::function<std::vector<std::string>()>;

// The user variables of one program, with the environment behind them.
class Store {
 public:
  // Without a source, references reach no environment variables.
  explicit Store(bErrorTrap::Trap& errors, EnvironmentSource environment = nullptr)
      : errors_(errors), environment_(std::move(environment)) {}

  // Removes every entry of the group (exact letter case); the rest keep order.
  void RemoveVariableGroup(const std::string& group);
  // Appends one entry; a name already present gets a second entry.
  void AddVariable(const std::string& group, const std::string& name, const std::string& value);
  // Replaces %name% references, user variables first in store order, then
  // the environment; letter case ignored.
  void SubstituteVariables(std::string& text);

  void SetEnvironmentSource(EnvironmentSource source) { environment_ = std::move(source); }
  const std::vector<Entry>& Entries() const { return store_; }

 private:
  bErrorTrap::Trap& errors_;
  EnvironmentSource environment_;
  std::vector<Entry> store_;
};

}  // namespace bUserVariables
}  // namespace zarn
