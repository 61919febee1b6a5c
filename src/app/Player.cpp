#include "app/Player.h"

#include <iostream>

#include "app/CharacterServiceFactory.h"
#include "backend/TracingCharacterService.h"
#include "charengine/CharacterEngine.h"
#include "core/media/CPowerPoint.h"
#include "core/media/bBackdrop.h"
#include "core/script/zbURLGet.h"
#include "core/shell/EmbeddedScript.h"
#include "core/shell/bCloseAll.h"
#include "platform/net/CurlInternet.h"
#include "ports/Platform.h"
#include "ports/TracePort.h"
#include "ports/WindowSystemPort.h"

namespace zarn {
namespace {

Ports MakePorts(Platform& platform, CharacterServicePort& characters) {
  Ports ports{platform.Desktop(), platform.Environment(), characters, platform.Loop(),
              platform.Trace()};
  ports.media = &platform.Media();
  ports.backdrop = &platform.Backdrop();
  ports.shell = &platform.Shell();
  ports.windows = &platform.Windows();
  ports.clipboard = &platform.Clipboard();
  ports.presentation = platform.Presentation();
  return ports;
}

}  // namespace

Player::Player(Platform& platform, const PlayerSettings& settings)
    : platform_(platform),
      engine_(MakeCharacterEngine(platform.Loop(), settings.seed, settings.speech_planner,
                                  settings.listen, settings.speech_input)),
      wrapped_(settings.wrap_service ? settings.wrap_service(*engine_) : nullptr),
      characters_(std::make_unique<TracingCharacterService>(wrapped_ ? *wrapped_ : *engine_,
                                                            platform.Trace())),
      internet_(std::make_unique<CurlInternet>()),
      program_(MakePorts(platform, *characters_)),
      main_form_(program_),
      backdrop_form_(program_, platform.Backdrop()),
      report_actions_(program_) {
  program_.ports.internet = internet_.get();
  InstallSlideshow(program_);
  program_.random.Seed(settings.seed);
  program_.NetworkCommands = settings.network_commands;
  program_.errors.SetDialog(&platform.ErrorDialog());
  program_.errors.SetPointerReset(
      [this] { platform_.Desktop().SetPointer(MousePointer::kDefault); });
  platform.ErrorDialog().SetActions(&report_actions_);
  // Close Program in an error report: the forms unload, then the program
  // ends there (headless: its loop ends).
  program_.errors.SetCloseProgram([this] {
    main_form_.Form_Unload();
    RemoveTempFiles(program_);
    platform_.EndProcess(program_.ExitCode);
  });
  main_form_.UnloadOtherForms = [this] { backdrop_form_.Unload(); };
  main_form_.StopAllMedia = [this] { bBackdrop::StopAllMedia(program_); };
  main_form_.ExtractEmbeddedScript = [this] { return ExtractEmbeddedScript(program_); };
  main_form_.CloseAllInstances = [this] { bCloseAll::CloseAllInstances(program_); };
  main_form_.RegisterMainWindow = [this](const std::string& caption) {
    try {
      platform_.Windows().RegisterMainWindow(caption, bCloseAll::kMainWindowClass);
    } catch (const VbError& e) {
      std::cerr << "zarnplay: " << e.Description() << "\n";
    }
  };
  platform.SetCloseRequestHandler([this] {
    if (main_form_.Loaded()) main_form_.Form_Unload();
  });
}

Player::~Player() {
  platform_.SetCloseRequestHandler(nullptr);
  platform_.ErrorDialog().SetActions(nullptr);
}

void Player::Start() { main_form_.Form_Load(); }

void Player::Run() {
  Start();
  platform_.Run([this] { return main_form_.Loaded(); });
  RemoveTempFiles(program_);
  // Animations that would have looped for ever had the program not ended.
  for (const auto& [id, animation] : engine_->HeldLoops()) {
    platform_.Trace().Write(TraceRecord("anim", "Looping").Char(id).Arg(animation));
  }
}

void Player::Exited(int code) { platform_.Trace().Write(TraceRecord("life", "Exit").Arg(code)); }

}  // namespace zarn
