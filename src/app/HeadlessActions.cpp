#include "app/HeadlessActions.h"

#include <cstdlib>
#include <iostream>
#include <sstream>

#include "backend/Trace.h"
#include "core/agent/CAgent.h"
#include "core/shell/Program.h"
#include "platform/common/VirtualTimeLoop.h"
#include "platform/headless/HeadlessDesktop.h"

namespace zarn {
namespace {

bool ParseConfidence(const std::string& text, int32_t& value) {
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v < -100 || v > 100) return false;
  value = static_cast<int32_t>(v);
  return true;
}

}  // namespace

HeadlessActions::HeadlessActions(HeadlessDesktop& desktop, VirtualTimeLoop& loop)
    : desktop_(desktop), loop_(loop) {}

void HeadlessActions::Schedule(const std::vector<ScheduledAction>& actions) {
  for (const auto& action : actions) {
    // Start-up's open dialog comes before the loop runs.
    if (action.action.rfind("dialog ", 0) == 0) {
      desktop_.AnswerNextDialog(action.action.substr(7));
      continue;
    }
    loop_.PostAt(action.at_ms, [this, text = action.action] { Perform(text); });
  }
}

bool HeadlessActions::Perform(const std::string& action) {
  std::istringstream words(action);
  std::string verb;
  words >> verb;
  std::string rest;
  std::getline(words >> std::ws, rest);

  if (verb == "menu" && !rest.empty()) {
    desktop_.RightClickTray(rest);
    return true;
  }
  if (verb == "tray-right-click") {
    desktop_.RightClickTray(std::nullopt);
    return true;
  }
  if (verb == "close") {
    desktop_.RequestClose();
    return true;
  }
  if (verb == "backdrop" && BackdropAction && BackdropAction(rest)) return true;
  if (verb == "hear" && !rest.empty() && Hear) {
    if (Hear(rest)) return true;
  } else if (verb == "command" && !rest.empty() && GiveCommand) {
    std::istringstream parts(rest);
    std::vector<std::string> items;
    for (std::string item; parts >> item;) items.push_back(item);
    UserInput input;
    input.name = items[0];
    bool ok = true;
    if (items.size() > 1) ok = ParseConfidence(items[1], input.confidence);
    if (ok && items.size() > 2) {
      input.alt1_name = items[2];
      ok = items.size() > 3 && ParseConfidence(items[3], input.alt1_confidence);
      input.count = 2;
    }
    if (ok && items.size() > 4) {
      input.alt2_name = items[4];
      ok = items.size() > 5 && ParseConfidence(items[5], input.alt2_confidence);
      input.count = 3;
    }
    if (ok && items.size() <= 6) {
      GiveCommand(input);
      return true;
    }
  }
  std::cerr << "zarnplay: cannot carry out the action \"" << action << "\"\n";
  return false;
}

}  // namespace zarn
