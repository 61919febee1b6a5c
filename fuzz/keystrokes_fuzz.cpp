// libFuzzer target over the keystroke parser. A malformed string must be
// refused with VbError 5 and nothing else; a plan must press and release
// its modifiers in pairs, and written back as keystroke text (every key
// with its own modifiers and braces) it must parse to the same keys.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "base/Keystrokes.h"
#include "base/VbError.h"

namespace {

using namespace zarn;
using fuzz::Check;
using fuzz::Finding;

constexpr std::array<const char*, 3> kModifiers = {"SHIFT", "CTRL", "ALT"};
constexpr std::array<char, 3> kModifierSigns = {'+', '^', '%'};

struct Key {
  KeyStepKind kind;
  std::string key;
  int64_t repeat;
  uint8_t modifiers;
};

int ModifierIndex(const std::string& name) {
  for (size_t i = 0; i < kModifiers.size(); ++i) {
    if (name == kModifiers[i]) return static_cast<int>(i);
  }
  Finding("a modifier step names no modifier");
}

// The keys of a plan, neighbours that type the same key merged, after
// checking that the modifiers held match the steps around each key.
std::vector<Key> CheckedKeys(const KeystrokePlan& plan) {
  std::vector<Key> keys;
  uint8_t held = 0;
  for (const KeystrokeStep& step : plan.steps) {
    if (step.kind == KeyStepKind::kModifierDown || step.kind == KeyStepKind::kModifierUp) {
      const auto bit = static_cast<uint8_t>(1 << ModifierIndex(step.key));
      const bool down = step.kind == KeyStepKind::kModifierDown;
      Check(((held & bit) != 0) != down, "a modifier pressed twice or released unpressed");
      held = static_cast<uint8_t>(down ? held | bit : held & ~bit);
      continue;
    }
    Check(step.repeat >= 1, "a key typed less than once");
    Check(step.modifiers == held, "a key's modifiers differ from those held");
    Check(!step.key.empty(), "a key without a name");
    if (step.kind == KeyStepKind::kKey) Check(CanonicalKeyName(step.key) == step.key, "odd name");
    if (!keys.empty() && keys.back().kind == step.kind && keys.back().key == step.key &&
        keys.back().modifiers == step.modifiers) {
      keys.back().repeat += step.repeat;
    } else {
      keys.push_back({step.kind, step.key, step.repeat, step.modifiers});
    }
  }
  Check(held == 0, "a modifier left pressed at the end");
  return keys;
}

// Keystroke text for the steps; none when a key cannot be written so.
std::optional<std::string> Write(const KeystrokePlan& plan) {
  std::string out;
  for (const KeystrokeStep& step : plan.steps) {
    if (step.kind == KeyStepKind::kModifierDown || step.kind == KeyStepKind::kModifierUp) continue;
    std::string key;
    const bool blank = step.key == " " || step.key == "\t";
    if (blank) {
      if (step.repeat > 64) return std::nullopt;
      key.assign(static_cast<size_t>(step.repeat), step.key[0]);
    } else {
      key = "{" + step.key + (step.repeat == 1 ? "" : " " + std::to_string(step.repeat)) + "}";
    }
    std::string signs;
    for (size_t i = 0; i < kModifierSigns.size(); ++i) {
      if (step.modifiers & (1 << i)) signs += kModifierSigns[i];
    }
    out += signs.empty() ? key : signs + "(" + key + ")";
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  KeystrokePlan plan;
  try {
    plan = ParseKeystrokes(fuzz::AsText(data, size));
  } catch (const VbError& e) {
    Check(e.Number() == vberr::kInvalidCall, "refused with an error other than 5");
    return 0;
  }
  const std::vector<Key> keys = CheckedKeys(plan);
  plan.ToText();
  int64_t count = 0;
  for (const Key& key : keys) count += key.repeat;
  Check(count == plan.KeyCount(), "key count differs from the keys");

  const auto text = Write(plan);
  if (!text) return 0;
  KeystrokePlan again;
  try {
    again = ParseKeystrokes(*text);
  } catch (const VbError&) {
    Finding("written keystrokes do not parse");
  }
  const std::vector<Key> again_keys = CheckedKeys(again);
  Check(again_keys.size() == keys.size(), "written keystrokes give other keys");
  for (size_t i = 0; i < keys.size(); ++i) {
    Check(again_keys[i].kind == keys[i].kind && again_keys[i].key == keys[i].key &&
              again_keys[i].repeat == keys[i].repeat &&
              again_keys[i].modifiers == keys[i].modifiers,
          "written keystrokes give other keys");
  }
  return 0;
}
