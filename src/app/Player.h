#pragma once

#include <functional>
#include <memory>

#include "charengine/SpeechTiming.h"
#include "core/errortrap/frmErrorTrap.h"
#include "core/media/frmBackdrop.h"
#include "core/shell/Program.h"
#include "core/shell/frmZARN.h"
#include "ports/CharacterServicePort.h"
#include "ports/InternetPort.h"

namespace zarn {

class CharacterEngine;
class Platform;
class TracingCharacterService;

struct PlayerSettings {
  uint32_t seed = 1;
  // Puts another service between the engine and the trace (tests).
  std::function<std::unique_ptr<CharacterServicePort>(CharacterServicePort& engine)> wrap_service;
  NetworkCommandPolicy network_commands = NetworkCommandPolicy::kAsk;
  // Times speech; empty: the words-per-minute model.
  SpeechPlanner speech_planner;
  // Opens or closes a listening window (Listen); empty: Listen(True)
  // answers whether a recognition model is installed.
  std::function<bool(const std::string& character_id, bool listen)> listen;
  // A recognition model is there to listen with.
  bool speech_input = false;
};

// The program wired to a platform: the character engine and its tracing,
// the shared program state, the forms and the hooks between them. The
// program and the tests build it the same way, on any platform.
class Player {
 public:
  Player(Platform& platform, const PlayerSettings& settings);
  ~Player();
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  // Start-up: loads the main form (and with it the script) and registers
  // the main window so that other copies find it.
  void Start();
  // Start-up, then the loop until the main form unloads or the platform
  // quits; then what every exit does.
  void Run();
  // The trace's last record, once the caller knows the code it exits with.
  void Exited(int code);

  Program& program() { return program_; }
  frmZARN& MainForm() { return main_form_; }
  frmBackdrop& BackdropForm() { return backdrop_form_; }
  CharacterEngine& Engine() { return *engine_; }
  Platform& platform() { return platform_; }

 private:
  Platform& platform_;
  std::unique_ptr<CharacterEngine> engine_;
  std::unique_ptr<CharacterServicePort> wrapped_;
  std::unique_ptr<TracingCharacterService> characters_;
  std::unique_ptr<InternetPort> internet_;
  Program program_;
  frmZARN main_form_;
  frmBackdrop backdrop_form_;
  frmErrorTrap::Actions report_actions_;
};

}  // namespace zarn
