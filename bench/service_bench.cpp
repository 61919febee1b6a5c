// The character service through a private session bus: requests a second
// from one client, and the delay from a request's start to its signal.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/service/BusSignal.h"

namespace {

namespace fs = std::filesystem;

// A dbus-daemon and a headless service on it, for the whole run.
struct Service {
  fs::path dir = fs::temp_directory_path() / ("zarn-service-bench-" + std::to_string(getpid()));
  pid_t bus_pid = -1, service_pid = -1;
  QString address;

  Service() {
    fs::create_directories(dir);
    std::system((std::string(ZARNPLAY_EXE) + " --make-test-characters " +
                 (dir / "chars").string() + " > /dev/null")
                    .c_str());
    const std::string address_file = (dir / "address").string();
    bus_pid = Start({"dbus-daemon", "--session", "--nofork", "--print-address=1"}, address_file);
    std::string text;
    while (text.find('\n') == std::string::npos) {
      usleep(10000);
      std::ifstream in(address_file);
      std::stringstream s;
      s << in.rdbuf();
      text = s.str();
    }
    text.pop_back();
    address = QString::fromStdString(text);
    setenv("DBUS_SESSION_BUS_ADDRESS", text.c_str(), 1);
    setenv("ZARN_CHARACTERS", (dir / "chars").string().c_str(), 1);
    service_pid = Start({ZARNPLAY_EXE, "--service", "--headless"}, "");
    auto bus = QDBusConnection::connectToBus(address, "probe");
    while (!bus.interface()->isServiceRegistered("org.zarnplay.Characters").value()) {
      usleep(10000);
    }
  }
  ~Service() {
    for (pid_t pid : {service_pid, bus_pid}) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
    fs::remove_all(dir);
  }
  static pid_t Start(const std::vector<std::string>& argv, const std::string& out) {
    const pid_t pid = fork();
    if (pid == 0) {
      if (!out.empty() && std::freopen(out.c_str(), "w", stdout) == nullptr) _exit(127);
      std::vector<char*> args;
      for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      execvp(args[0], args.data());
      _exit(127);
    }
    return pid;
  }
};

Service& TheService() {
  static int argc = 1;
  static char name[] = "bench_service";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  static Service service;
  return service;
}

QDBusMessage CharacterCall(const QString& path, const QString& method, const QVariantList& args) {
  auto call = QDBusMessage::createMethodCall("org.zarnplay.Characters", path,
                                             "org.zarnplay.Character1", method);
  call.setArguments(args);
  return call;
}

QString Load(QDBusConnection& bus, const QString& name) {
  auto call = QDBusMessage::createMethodCall("org.zarnplay.Characters", "/org/zarnplay/Characters",
                                             "org.zarnplay.Characters1", "Load");
  call.setArguments({name});
  return bus.call(call).arguments().value(0).value<QDBusObjectPath>().path();
}

// MoveTo with speed 0 on a hidden character: a request that completes at once.
void BM_RequestsPerSecond(benchmark::State& state) {
  Service& service = TheService();
  auto bus = QDBusConnection::connectToBus(service.address, "rate");
  const QString pip = Load(bus, "Pip");
  int x = 0;
  for (auto _ : state) {
    auto reply = bus.call(CharacterCall(pip, "MoveTo", {++x % 500, 0, 0}));
    if (reply.type() != QDBusMessage::ReplyMessage) state.SkipWithError("call failed");
    QCoreApplication::processEvents();
  }
  state.counters["requests/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  QDBusConnection::disconnectFromBus("rate");
}
BENCHMARK(BM_RequestsPerSecond)->UseRealTime()->MinTime(3.0);

// From sending a request that starts at once to its RequestStart signal at
// the client: the event's own delay and the bus's, both ways.
void BM_RequestStartSignalDelay(benchmark::State& state) {
  Service& service = TheService();
  auto bus = QDBusConnection::connectToBus(service.address, "delay");
  const QString pip = Load(bus, "Pip");
  bool started = false;
  zarn::BusSignal on_start(bus, QString(), pip, "org.zarnplay.Character1", "RequestStart",
                           [&](const QDBusMessage&) { started = true; });
  std::vector<double> delays;
  int x = 0;
  for (auto _ : state) {
    started = false;
    QElapsedTimer clock;
    clock.start();
    bus.asyncCall(CharacterCall(pip, "MoveTo", {++x % 500, 0, 0}));
    while (!started) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    delays.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
  }
  std::sort(delays.begin(), delays.end());
  state.counters["median_ms"] = delays[delays.size() / 2];
  state.counters["p99_ms"] = delays[delays.size() * 99 / 100];
  QDBusConnection::disconnectFromBus("delay");
}
BENCHMARK(BM_RequestStartSignalDelay)->UseRealTime()->Iterations(2000);

}  // namespace

BENCHMARK_MAIN();
