#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

// Modifier bits, as held while a key is typed.
inline constexpr uint8_t kShiftModifier = 1;
inline constexpr uint8_t kCtrlModifier = 2;
inline constexpr uint8_t kAltModifier = 4;

enum class KeyStepKind {
  kModifierDown,  // key: "SHIFT", "CTRL" or "ALT"
  kModifierUp,
  kKey,   // a named key pressed and released, key: its canonical name ("ENTER", "F5")
  kChar,  // one character typed, key: that character
};

struct KeystrokeStep {
  KeyStepKind kind = KeyStepKind::kChar;
  std::string key;
  int32_t repeat = 1;     // kKey and kChar only
  uint8_t modifiers = 0;  // modifiers held while the key is typed
};

// What a keystroke string asks for, checked as a whole before anything is typed.
struct KeystrokePlan {
  std::string text;  // the string it was parsed from
  std::vector<KeystrokeStep> steps;

  // Readable form for the trace: "Shift:down 'a' Shift:up 'b' {LEFT}x3".
  std::string ToText() const;
  // Keys typed in all, counting repeats (modifier steps not included).
  int64_t KeyCount() const;
};

// Parses the keystroke syntax: + ^ % modifiers, ( ) groups, ~ for Enter,
// {NAME}, {NAME n}, {c} and {c n}. Throws VbError 5 on a malformed string.
KeystrokePlan ParseKeystrokes(std::string_view text);

// The canonical name of a brace key name ("bs" -> "BACKSPACE"), or empty.
std::string CanonicalKeyName(std::string_view name);

}  // namespace zarn
