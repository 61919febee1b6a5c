#include "platform/desktop/DesktopShell.h"

#include <X11/Xlib.h>

#include <iostream>
#include <map>
#include <memory>

#include "base/CommandLineSplit.h"
#include "base/VbError.h"
#include "base/VbString.h"

extern "C" {
#include <xdo.h>
}

namespace zarn {
namespace {

// Our key names to X keysym names.
const std::map<std::string, std::string, std::less<>>& KeysymNames() {
  static const std::map<std::string, std::string, std::less<>> names = {
      {"BACKSPACE", "BackSpace"},
      {"BREAK", "Break"},
      {"CAPSLOCK", "Caps_Lock"},
      {"CLEAR", "Clear"},
      {"DELETE", "Delete"},
      {"DOWN", "Down"},
      {"UP", "Up"},
      {"LEFT", "Left"},
      {"RIGHT", "Right"},
      {"END", "End"},
      {"HOME", "Home"},
      {"ENTER", "Return"},
      {"ESC", "Escape"},
      {"HELP", "Help"},
      {"INSERT", "Insert"},
      {"NUMLOCK", "Num_Lock"},
      {"PGDN", "Next"},
      {"PGUP", "Prior"},
      {"PRTSC", "Print"},
      {"SCROLLLOCK", "Scroll_Lock"},
      {"TAB", "Tab"},
      {"ADD", "KP_Add"},
      {"SUBTRACT", "KP_Subtract"},
      {"MULTIPLY", "KP_Multiply"},
      {"DIVIDE", "KP_Divide"},
  };
  return names;
}

std::string KeysymName(const std::string& key) {
  const auto& names = KeysymNames();
  if (auto it = names.find(key); it != names.end()) return it->second;
  return key;  // F1..F16 are named alike
}

const char* ModifierKeysym(const std::string& modifier) {
  if (modifier == "SHIFT") return "Shift_L";
  if (modifier == "CTRL") return "Control_L";
  return "Alt_L";
}

struct XdoDeleter {
  void operator()(xdo_t* xdo) const { xdo_free(xdo); }
};

bool HasXTest(Display* display) {
  int opcode = 0, event = 0, error = 0;
  return XQueryExtension(display, "XTEST", &opcode, &event, &error) != 0;
}

}  // namespace

std::optional<std::string> DesktopShell::MappedDocument(const std::string& command_line) {
  const std::vector<std::string> words = SplitArguments(command_line);
  if (words.size() != 2) return std::nullopt;
  std::string program = words[0];
  if (const size_t slash = program.find_last_of("\\/"); slash != std::string::npos) {
    program.erase(0, slash + 1);
  }
  if (EndsWithNoCase(program, ".exe")) program.resize(program.size() - 4);
  for (const char* name : {"notepad", "explorer", "iexplore"}) {
    if (EqualsNoCase(program, name)) return words[1];
  }
  return std::nullopt;
}

int32_t DesktopShell::StartProgram(const std::string& command_line) {
  if (const auto document = MappedDocument(command_line)) {
    const int32_t result = starter_.ShellExecute("open", *document, "", "", kShowNormal);
    if (result < kShellExecuteSuccessMinimum) throw VbError(53, "File not found");
    return result;
  }
  return starter_.StartProgram(command_line);
}

void DesktopShell::SendKeys(const KeystrokePlan& plan, bool wait) {
  trace_.Write(TraceRecord("shell", "SendKeys").Arg(plan.text).Arg(plan.ToText()));
  std::unique_ptr<xdo_t, XdoDeleter> xdo(xdo_new(nullptr));
  if (!xdo) {
    std::cerr << "zarnplay: cannot type keystrokes: no X display\n";
    return;
  }
  // Without XTEST libxdo falls back to synthetic events most programs ignore.
  if (!HasXTest(xdo->xdpy)) {
    std::cerr << "zarnplay: cannot type keystrokes: the display has no XTEST extension\n";
    return;
  }
  xdo->quiet = 1;
  constexpr useconds_t kDelay = 0;
  for (const KeystrokeStep& step : plan.steps) {
    switch (step.kind) {
      case KeyStepKind::kModifierDown:
        xdo_send_keysequence_window_down(xdo.get(), CURRENTWINDOW, ModifierKeysym(step.key),
                                         kDelay);
        break;
      case KeyStepKind::kModifierUp:
        xdo_send_keysequence_window_up(xdo.get(), CURRENTWINDOW, ModifierKeysym(step.key), kDelay);
        break;
      case KeyStepKind::kKey:
        for (int32_t i = 0; i < step.repeat; ++i) {
          xdo_send_keysequence_window(xdo.get(), CURRENTWINDOW, KeysymName(step.key).c_str(),
                                      kDelay);
        }
        break;
      case KeyStepKind::kChar:
        for (int32_t i = 0; i < step.repeat; ++i) {
          xdo_enter_text_window(xdo.get(), CURRENTWINDOW, step.key.c_str(), kDelay);
        }
        break;
    }
  }
  // The keys have reached the server; the receiver reads them from there.
  if (wait) XSync(xdo->xdpy, False);
}

}  // namespace zarn
