#include "base/Keystrokes.h"

#include <array>
#include <cctype>
#include <limits>
#include <utility>

#include "base/TextCodec.h"
#include "base/VbError.h"

namespace zarn {
namespace {

constexpr int kMaxGroupDepth = 3;

[[noreturn]] void Malformed() { Throw(vberr::kInvalidCall, "Invalid procedure call or argument"); }

struct KeyAlias {
  std::string_view name;
  std::string_view canonical;
};

constexpr KeyAlias kKeyNames[] = {
    {"BACKSPACE", "BACKSPACE"},
    {"BS", "BACKSPACE"},
    {"BKSP", "BACKSPACE"},
    {"BREAK", "BREAK"},
    {"CAPSLOCK", "CAPSLOCK"},
    {"CLEAR", "CLEAR"},
    {"DELETE", "DELETE"},
    {"DEL", "DELETE"},
    {"DOWN", "DOWN"},
    {"UP", "UP"},
    {"LEFT", "LEFT"},
    {"RIGHT", "RIGHT"},
    {"END", "END"},
    {"HOME", "HOME"},
    {"ENTER", "ENTER"},
    {"ESC", "ESC"},
    {"ESCAPE", "ESC"},
    {"HELP", "HELP"},
    {"INSERT", "INSERT"},
    {"INS", "INSERT"},
    {"NUMLOCK", "NUMLOCK"},
    {"PGDN", "PGDN"},
    {"PGUP", "PGUP"},
    {"PRTSC", "PRTSC"},
    {"SCROLLLOCK", "SCROLLLOCK"},
    {"TAB", "TAB"},
    {"ADD", "ADD"},
    {"SUBTRACT", "SUBTRACT"},
    {"MULTIPLY", "MULTIPLY"},
    {"DIVIDE", "DIVIDE"},
};

constexpr std::array<std::string_view, 3> kModifierNames = {"SHIFT", "CTRL", "ALT"};
constexpr std::array<std::string_view, 3> kModifierLabels = {"Shift", "Ctrl", "Alt"};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Bytes of the character at `pos`: a whole UTF-8 sequence, or one byte
// when the sequence is broken.
size_t CharLength(std::string_view text, size_t pos) {
  return Utf8PrefixBytes(text.substr(pos), 1);
}

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

class KeystrokeParser {
 public:
  explicit KeystrokeParser(std::string_view text) : text_(text) { plan_.text = std::string(text); }

  KeystrokePlan Parse() {
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      switch (c) {
        case '+':
          PressModifier(0);
          ++pos_;
          break;
        case '^':
          PressModifier(1);
          ++pos_;
          break;
        case '%':
          PressModifier(2);
          ++pos_;
          break;
        case '(':
          OpenGroup();
          ++pos_;
          break;
        case ')':
          CloseGroup();
          ++pos_;
          break;
        case '}':
          Malformed();
        case '{':
          ParseBrace();
          break;
        case '~':
          AddKey(KeyStepKind::kKey, "ENTER", 1);
          ++pos_;
          break;
        default: {
          const size_t length = CharLength(text_, pos_);
          AddKey(KeyStepKind::kChar, std::string(text_.substr(pos_, length)), 1);
          pos_ += length;
          break;
        }
      }
    }
    if (depth_ != 0) Malformed();
    ReleaseWhere([](int) { return true; });
    return std::move(plan_);
  }

 private:
  // Modifier state: 0 up, kPending until the next key, or the group level holding it.
  static constexpr int kPending = -1;

  void PressModifier(int index) {
    if (state_[index] != 0) Malformed();
    state_[index] = kPending;
    down_order_.push_back(index);
    plan_.steps.push_back({KeyStepKind::kModifierDown, std::string(kModifierNames[index]), 1, 0});
  }

  void OpenGroup() {
    if (++depth_ > kMaxGroupDepth) Malformed();
    for (int& s : state_) {
      if (s == kPending) s = depth_;
    }
  }

  void CloseGroup() {
    if (depth_ == 0) Malformed();
    const int level = depth_;
    ReleaseWhere([level](int s) { return s == level; });
    --depth_;
  }

  template <typename Predicate>
  void ReleaseWhere(Predicate matches) {
    for (size_t i = down_order_.size(); i-- > 0;) {
      const int index = down_order_[i];
      if (!matches(state_[index])) continue;
      state_[index] = 0;
      down_order_.erase(down_order_.begin() + static_cast<std::ptrdiff_t>(i));
      plan_.steps.push_back({KeyStepKind::kModifierUp, std::string(kModifierNames[index]), 1, 0});
    }
  }

  uint8_t HeldModifiers() const {
    uint8_t bits = 0;
    for (int i = 0; i < 3; ++i) {
      if (state_[i] != 0) bits |= static_cast<uint8_t>(1 << i);
    }
    return bits;
  }

  // A key (with all its repeats) ends the life of the modifiers pending for it.
  void AddKey(KeyStepKind kind, std::string key, int32_t repeat) {
    if (repeat > 0) plan_.steps.push_back({kind, std::move(key), repeat, HeldModifiers()});
    ReleaseWhere([](int s) { return s == kPending; });
  }

  // {NAME}, {NAME n}, {c}, {c n}; "{}}" and "{} n}" name the brace itself.
  void ParseBrace() {
    size_t j = pos_ + 1;
    std::string_view token;
    if (j < text_.size() && text_[j] == '}') {
      token = text_.substr(j, 1);
      ++j;
    } else {
      const size_t start = j;
      while (j < text_.size() && text_[j] != '}' && !IsBlank(text_[j])) ++j;
      token = text_.substr(start, j - start);
    }
    if (j >= text_.size() || token.empty()) Malformed();

    int32_t repeat = 1;
    if (IsBlank(text_[j])) {
      while (j < text_.size() && IsBlank(text_[j])) ++j;
      if (j >= text_.size() || !std::isdigit(static_cast<unsigned char>(text_[j]))) Malformed();
      int64_t count = 0;
      while (j < text_.size() && std::isdigit(static_cast<unsigned char>(text_[j]))) {
        count = count * 10 + (text_[j] - '0');
        if (count > std::numeric_limits<int32_t>::max()) Malformed();
        ++j;
      }
      repeat = static_cast<int32_t>(count);
    }
    if (j >= text_.size() || text_[j] != '}') Malformed();
    pos_ = j + 1;

    const std::string name = CanonicalKeyName(token);
    if (!name.empty()) {
      AddKey(KeyStepKind::kKey, name, repeat);
    } else if (token.size() == CharLength(token, 0)) {
      AddKey(KeyStepKind::kChar, std::string(token), repeat);
    } else {
      Malformed();
    }
  }

  std::string_view text_;
  size_t pos_ = 0;
  int depth_ = 0;
  std::array<int, 3> state_{};
  std::vector<int> down_order_;
  KeystrokePlan plan_;
};

}  // namespace

std::string CanonicalKeyName(std::string_view name) {
  const std::string upper = Upper(name);
  for (const auto& alias : kKeyNames) {
    if (alias.name == upper) return std::string(alias.canonical);
  }
  if (upper.size() >= 2 && upper.size() <= 3 && upper[0] == 'F') {
    int number = 0;
    for (size_t i = 1; i < upper.size(); ++i) {
      if (!std::isdigit(static_cast<unsigned char>(upper[i]))) return {};
      number = number * 10 + (upper[i] - '0');
    }
    if (upper[1] != '0' && number >= 1 && number <= 16) return upper;
  }
  return {};
}

KeystrokePlan ParseKeystrokes(std::string_view text) { return KeystrokeParser(text).Parse(); }

std::string KeystrokePlan::ToText() const {
  std::string out;
  for (const auto& step : steps) {
    if (!out.empty()) out += ' ';
    switch (step.kind) {
      case KeyStepKind::kModifierDown:
      case KeyStepKind::kModifierUp:
        for (size_t i = 0; i < kModifierNames.size(); ++i) {
          if (kModifierNames[i] == step.key) out += kModifierLabels[i];
        }
        out += step.kind == KeyStepKind::kModifierDown ? ":down" : ":up";
        continue;
      case KeyStepKind::kKey:
        out += '{' + step.key + '}';
        break;
      case KeyStepKind::kChar:
        out += '\'' + step.key + '\'';
        break;
    }
    if (step.repeat != 1) out += 'x' + std::to_string(step.repeat);
  }
  return out;
}

int64_t KeystrokePlan::KeyCount() const {
  int64_t count = 0;
  for (const auto& step : steps) {
    if (step.kind == KeyStepKind::kKey || step.kind == KeyStepKind::kChar) count += step.repeat;
  }
  return count;
}

}  // namespace zarn
