#include "core/util/bUserVariables.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <unordered_set>

#include "base/VbString.h"
#include "core/errortrap/bErrorTrap.h"

namespace zarn {
namespace bUserVariables {
namespace {

constexpr size_t kMaxSubstitutedBytes = size_t{16} << 20;

// Agrees with EqualsNoCase: a byte folds to an ASCII byte only when it is
// one, and then to that letter in one case or the other, so the ASCII bytes
// in small letters (the others as one mark) hash the same for equal texts.
struct FoldedHash {
  size_t operator()(std::string_view text) const {
    uint64_t hash = 14695981039346656037u;
    for (char ch : text) {
      auto byte = static_cast<unsigned char>(ch);
      if (byte >= 0x80) {
        byte = 0x80;
      } else if (byte >= 'A' && byte <= 'Z') {
        byte |= 0x20;
      }
      hash = (hash ^ byte) * 1099511628211u;
    }
    return static_cast<size_t>(hash);
  }
};
struct FoldedEqual {
  bool operator()(std::string_view a, std::string_view b) const { return EqualsNoCase(a, b); }
};

// A reference %name% to a name without "%" sits between two neighbouring
// percent signs. Collecting those spans answers "does the text contain
// %name%" without scanning the whole text once per variable, which matters
// with thousands of [Variables] entries. The spans are views of the text,
// collected again only when a question follows a change.
class References {
 public:
  explicit References(const std::string& text) : text_(text) {}

  void Changed() { stale_ = true; }

  bool MayContain(std::string_view name) {
    if (name.find_first_of("%\r\n") != std::string_view::npos) {
      return FindNoCase(text_, "%" + std::string(name) + "%") != std::string::npos;
    }
    if (stale_) Collect();
    return spans_.count(name) != 0;
  }

 private:
  // A span folds alone as it would in the whole text: "%" never folds, nor
  // pairs with the byte after it. Spans across lines, most of a script's,
  // are left to the full search names with a line break get.
  static bool HasLineBreak(std::string_view span) {
    for (char ch : span) {
      if (ch == '\r' || ch == '\n') return true;
    }
    return false;
  }
  void Collect() {
    stale_ = false;
    spans_.clear();
    const std::string_view all = text_;
    size_t open = all.find('%');
    while (open != std::string::npos) {
      const size_t close = all.find('%', open + 1);
      if (close == std::string::npos) break;
      const std::string_view span = all.substr(open + 1, close - open - 1);
      if (!HasLineBreak(span)) spans_.insert(span);
      open = close;
    }
  }

  const std::string& text_;
  bool stale_ = true;
  std::unordered_set<std::string_view, FoldedHash, FoldedEqual> spans_;
};

void Substitute(std::string& text, References& references, std::string_view name,
                std::string_view value) {
  if (!references.MayContain(name)) return;
  const std::string reference = "%" + std::string(name) + "%";
  const std::vector<size_t> found = FindAllNoCase(text, reference);
  if (found.empty()) return;
  // Values that name each other can double at every level: refuse a
  // result beyond any sensible line before building it.
  if (value.size() > reference.size()) {
    const size_t growth = value.size() - reference.size();
    if (found.size() >
        (kMaxSubstitutedBytes - std::min(text.size(), kMaxSubstitutedBytes)) / growth)
      throw VbError(vberr::kOutOfMemory, "Out of memory");
  }
  std::vector<TextSpan> spans;
  spans.reserve(found.size());
  for (const size_t at : found) spans.push_back({at, reference.size(), value});
  text = ReplaceSpans(text, spans);
  references.Changed();
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
      const std::string_view all = entry;
      Substitute(text, references, all.substr(0, equals), all.substr(equals + 1));
    }
  });
}

}  // namespace bUserVariables
}  // namespace zarn
