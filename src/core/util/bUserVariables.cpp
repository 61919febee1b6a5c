#include "core/util/bUserVariables.h"

#include <string_view>
#include <unordered_set>

#include "base/VbString.h"
#include "core/errortrap/bErrorTrap.h"

namespace zarn {
namespace bUserVariables {
namespace {

constexpr size_t kMaxSubstitutedBytes = size_t{16} << 20;

// A reference %name% to a name without "%" sits between two neighbouring
// percent signs. Collecting those spans (case folded) answers "does the
// text contain %name%" without scanning the whole text once per variable,
// which matters with thousands of [Variables] entries.
class References {
 public:
  explicit References(const std::string& text) { Collect(text); }

  // A span folds alone as it would in the whole text: "%" never folds, nor
  // pairs with the byte after it.
  void Collect(const std::string& text) {
    spans_.clear();
    const std::string_view all = text;
    size_t open = all.find('%');
    while (open != std::string::npos) {
      const size_t close = all.find('%', open + 1);
      if (close == std::string::npos) break;
      spans_.insert(UCase(all.substr(open + 1, close - open - 1)));
      open = close;
    }
  }

  bool MayContain(const std::string& text, std::string_view name) const {
    if (name.find('%') != std::string_view::npos) {
      return FindNoCase(text, "%" + std::string(name) + "%") != std::string::npos;
    }
    return spans_.count(UCase(name)) != 0;
  }

 private:
  std::unordered_set<std::string> spans_;
};

void Substitute(std::string& text, References& references, const std::string& name,
                const std::string& value) {
  if (!references.MayContain(text, name)) return;
  const std::string reference = "%" + name + "%";
  // Values that name each other can double at every level: refuse a
  // result beyond any sensible line before building it.
  if (value.size() > reference.size()) {
    size_t grown = text.size();
    for (size_t at = FindNoCase(text, reference); at != std::string::npos;
         at = FindNoCase(text, reference, at + reference.size())) {
      grown += value.size() - reference.size();
      if (grown > kMaxSubstitutedBytes) throw VbError(vberr::kOutOfMemory, "Out of memory");
    }
  }
  text = ReplaceNoCase(text, reference, value);
  references.Collect(text);
}

}  // namespace

void Store::RemoveVariableGroup(const std::string& group) {
  // Trap and continue.
  ProcedureScope proc{errors_, "bUserVariables.RemoveVariableGroup"};
  std::vector<Entry> kept;
  proc.Step(10, [&] {
    for (const Entry& entry : store_) {
      if (entry.group != group) kept.push_back(entry);
    }
  });
  proc.Step(20, [&] { store_ = std::move(kept); });
}

void Store::AddVariable(const std::string& group, const std::string& name,
                        const std::string& value) {
  store_.push_back(Entry{group, name, value});
}

void Store::SubstituteVariables(std::string& text) {
  // Trap and leave: the text keeps the replacements made so far.
  ProcedureScope proc{errors_, "bUserVariables.SubstituteVariables"};
  proc.LeaveVoid([&] {
    if (text.find('%') == std::string::npos) return;
    proc.Line(10);
    References references(text);
    for (const Entry& entry : store_) Substitute(text, references, entry.name, entry.value);
    proc.Line(20);
    if (!environment_) return;
    for (const std::string& entry : environment_()) {
      if (entry.empty()) break;
      const size_t equals = entry.find('=');
      // Entries without a name cannot be referenced.
      if (equals == std::string::npos || equals == 0) continue;
      Substitute(text, references, entry.substr(0, equals), entry.substr(equals + 1));
    }
  });
}

}  // namespace bUserVariables
}  // namespace zarn
