#include "app/backends/ServiceRun.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <iostream>

#include "app/Application.h"
#include "app/CharacterServiceFactory.h"
#include "app/Voices.h"
#include "app/backends/DesktopRun.h"
#include "backend/Trace.h"
#include "backend/TracingCharacterService.h"
#include "charengine/CharacterEngine.h"
#include "charengine/CharacterLookup.h"
#include "platform/desktop/CharacterScreen.h"
#include "platform/desktop/DesktopPlatform.h"
#include "platform/desktop/DesktopSpeech.h"
#include "platform/desktop/QtScheduler.h"
#include "platform/service/CharacterBus.h"

namespace zarn {
namespace {

// The service ends this long after its last client and character are gone.
constexpr int kLingerMs = 30000;

std::atomic<bool> g_stop{false};

std::vector<std::string> Folders() {
  return CharacterFolders([](const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return std::string(value ? value : "");
  });
}

// Serves `characters` on the session bus until `running` turns false.
int Serve(CharacterServicePort& characters, zarn::Trace& trace, bool& running) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    std::cerr << "zarnplay: no session bus: " << bus.lastError().message().toStdString() << "\n";
    return 2;
  }
  CharacterBus service(characters, Folders(), bus);
  if (!service.Start()) {
    std::cerr << "zarnplay: the character service is already running on this bus\n";
    return 1;
  }
  service.QuitWhenUnused(kLingerMs, [&running] { running = false; });
  trace.SetClientOf([&service](const TraceRecord& record) { return service.ClientOf(record); });
  std::signal(SIGTERM, [](int) { g_stop = true; });
  std::signal(SIGINT, [](int) { g_stop = true; });
  QTimer stop_check;  // a signal only sets the flag; the loop looks at it
  QObject::connect(&stop_check, &QTimer::timeout, [&running] {
    if (g_stop) running = false;
  });
  stop_check.start(100);
  trace.Write(TraceRecord("life", "Start").Arg("--service"));
  while (running) {
    trace.Flush();
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  trace.SetClientOf(nullptr);
  trace.Write(TraceRecord("life", "Exit").Arg(0));
  trace.Flush();
  return 0;
}

int RunHeadlessService(const Options& options) {
  int argc = 1;
  char name[] = "zarnplay";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  QtScheduler loop;  // the wall clock
  zarn::Trace trace([&loop] { return loop.Now(); });
  if (options.trace_file) trace.OpenJsonFile(*options.trace_file);
  auto engine = MakeCharacterEngine(loop, options.seed);
  TracingCharacterService characters(*engine, trace);
  bool running = true;
  return Serve(characters, trace, running);
}

int RunDesktopService(const Options& options) {
  if (std::getenv("DISPLAY") != nullptr) setenv("QT_QPA_PLATFORM", "xcb", 0);
  DesktopPlatform platform;
  zarn::Trace& trace = platform.TraceLog();
  if (options.trace_file) trace.OpenJsonFile(*options.trace_file);
  DesktopSpeech speech;
  auto engine =
      MakeCharacterEngine(platform.Loop(), options.seed, speech.Planner(VoiceRulesFor(options)));
  CharacterScreen screen(*engine, platform.Screen());
  speech.Attach(screen);
  engine->SetRenderSink(&speech);
  TracingCharacterService characters(*engine, trace);
  bool running = true;
  platform.SetCloseRequestHandler([&running] { running = false; });
  const int code = Serve(characters, trace, running);
  platform.SetCloseRequestHandler(nullptr);
  engine->SetRenderSink(nullptr);
  return code;
}

}  // namespace

std::optional<int> RunService(const Options& options) {
  if (options.say) return RunSay(options);
  if (options.service_client && (options.headless || !DisplayPresent())) {
    std::cerr << "zarnplay: --service-client plays on a desktop (it needs $DISPLAY)\n";
    return 2;
  }
  if (!options.service) return std::nullopt;
  if (!options.headless && !DisplayPresent()) {
    std::cerr << "zarnplay: no display ($DISPLAY is not set); the service runs without drawing\n";
  }
  if (options.headless || !DisplayPresent()) return RunHeadlessService(options);
  return RunDesktopService(options);
}

}  // namespace zarn
