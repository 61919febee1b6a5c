// The service on a private session bus, driven by clients as programs
// would drive it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>

#include "platform/service/BusSignal.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;

pid_t Spawn(const std::vector<std::string>& argv, const std::string& out = "") {
  const pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);  // stopped with all it started
    if (!out.empty()) {
      FILE* f = std::freopen(out.c_str(), "w", stdout);
      (void)f;
    }
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  return pid;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs the Qt loop until `done` or the time is up; false on time-out.
bool PumpUntil(const std::function<bool()>& done, int ms = 5000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

// A private dbus-daemon and the headless service on it, with the test
// characters; each test starts them afresh.
class ServiceBus : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "test_service";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
  }

  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("zarn-service-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    ASSERT_EQ(std::system((std::string(ZARNPLAY_EXE) + " --make-test-characters " +
                           (dir_ / "chars").string() + " > /dev/null")
                              .c_str()),
              0);
    const std::string address_file = (dir_ / "address").string();
    bus_pid_ = Spawn({"dbus-daemon", "--session", "--nofork", "--print-address=1"}, address_file);
    ASSERT_TRUE(PumpUntil([&] { return ReadFile(address_file).find('\n') != std::string::npos; }));
    address_ = ReadFile(address_file);
    address_.pop_back();
    setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
    setenv("ZARN_CHARACTERS", (dir_ / "chars").string().c_str(), 1);
    trace_ = (dir_ / "t.jsonl").string();
    if (desktop_) {
      // On a private display of its own; the test's mouse goes there too.
      service_pid_ = Spawn({ZARN_SOURCE_DIR "/tests/desktop/with_display.sh", "sh", "-c",
                            "echo $DISPLAY > " + (dir_ / "display").string() + "; exec " +
                                ZARNPLAY_EXE + " --service --trace " + trace_});
    } else {
      service_pid_ = Spawn({ZARNPLAY_EXE, "--service", "--headless", "--trace", trace_});
    }
    QDBusConnection probe = Client("probe");
    ASSERT_TRUE(PumpUntil(
        [&] { return probe.interface()->isServiceRegistered("org.zarnplay.Characters").value(); }));
  }

  void TearDown() override {
    for (const auto& name : clients_) QDBusConnection::disconnectFromBus(name);
    for (pid_t pid : {service_pid_, bus_pid_}) {
      if (pid > 0) {
        kill(-pid, SIGTERM);
        waitpid(pid, nullptr, 0);
      }
    }
    fs::remove_all(dir_);
  }

  QDBusConnection Client(const std::string& name) {
    const QString id = QString::fromStdString(name + std::to_string(clients_.size()));
    clients_.push_back(id);
    return QDBusConnection::connectToBus(QString::fromStdString(address_), id);
  }

  static QDBusMessage Call(QDBusConnection& bus, const QString& path, const QString& method,
                           const QVariantList& args = {}) {
    const bool manager = path == "/org/zarnplay/Characters";
    auto call = QDBusMessage::createMethodCall(
        "org.zarnplay.Characters", path,
        manager ? "org.zarnplay.Characters1" : "org.zarnplay.Character1", method);
    call.setArguments(args);
    return bus.call(call);
  }
  static QString Load(QDBusConnection& bus, const QString& character) {
    auto reply = Call(bus, "/org/zarnplay/Characters", "Load", {character});
    return reply.arguments().value(0).value<QDBusObjectPath>().path();
  }
  static QDBusMessage Set(QDBusConnection& bus, const QString& path, const QString& name,
                          const QVariant& value) {
    auto call = QDBusMessage::createMethodCall("org.zarnplay.Characters", path,
                                               "org.freedesktop.DBus.Properties", "Set");
    call.setArguments(
        {QString("org.zarnplay.Character1"), name, QVariant::fromValue(QDBusVariant(value))});
    return bus.call(call);
  }
  static size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }
  static bool Property(QDBusConnection& bus, const QString& path, const QString& name) {
    auto call = QDBusMessage::createMethodCall("org.zarnplay.Characters", path,
                                               "org.freedesktop.DBus.Properties", "Get");
    call.setArguments({QString("org.zarnplay.Character1"), name});
    return bus.call(call).arguments().value(0).value<QDBusVariant>().variant().toBool();
  }

  bool desktop_ = false;
  fs::path dir_;
  std::string address_;
  std::string trace_;
  pid_t bus_pid_ = -1;
  pid_t service_pid_ = -1;
  std::vector<QString> clients_;
};

TEST_F(ServiceBus, TwoClientsShareOneCharacter) {
  QDBusConnection a = Client("a"), b = Client("b");
  const QString path = Load(a, "Pip");
  ASSERT_FALSE(path.isEmpty());
  EXPECT_EQ(Load(b, "Pip.acs"), path);
  EXPECT_TRUE(Property(a, path, "HasOtherClients"));
  EXPECT_TRUE(Property(b, path, "HasOtherClients"));
  // A client loading the file again wants a second character, as a script
  // with two characters of one file does.
  const QString copy = Load(a, "Pip");
  EXPECT_NE(copy, path);
  EXPECT_FALSE(Property(a, copy, "HasOtherClients"));
  std::vector<std::string> completed;
  auto catcher = [&](const std::string& who) {
    return [&completed, who](const QDBusMessage&) { completed.push_back(who); };
  };
  BusSignal on_a(a, QString(), path, "org.zarnplay.Character1", "RequestComplete", catcher("a"));
  BusSignal on_b(b, QString(), path, "org.zarnplay.Character1", "RequestComplete", catcher("b"));
  Call(a, path, "Show", {true});
  Call(a, path, "Speak", {QString("One")});
  Call(b, path, "Speak", {QString("Two")});
  ASSERT_TRUE(PumpUntil([&] { return completed.size() == 3; }, 10000));
  // Each client hears only of its own requests, in the order they ran.
  EXPECT_EQ(completed, (std::vector<std::string>{"a", "a", "b"}));
  // The service's trace says whose each request was.
  const std::string b_name = "\"client\":\"" + b.baseService().toStdString() + "\"}";
  std::istringstream lines(ReadFile(trace_));
  std::vector<std::string> of_b;
  for (std::string line; std::getline(lines, line);) {
    if (line.find(b_name) != std::string::npos) of_b.push_back(line.substr(line.find("\"kind\"")));
  }
  EXPECT_EQ(of_b.size(), 3u);  // its Speak call, start and completion
  EXPECT_NE(of_b.front().find("\"Speak\",\"char\":\"Pip\",\"args\":[\"Two\""), std::string::npos);
}

TEST_F(ServiceBus, KilledClientsLoneCharacterIsHiddenWithin2s) {
  const std::string script =
      "import dbus,sys,time\n"
      "b=dbus.SessionBus()\n"
      "m=dbus.Interface(b.get_object('org.zarnplay.Characters','/org/zarnplay/Characters'),"
      "'org.zarnplay.Characters1')\n"
      "c=dbus.Interface(b.get_object('org.zarnplay.Characters',m.Load('Mini')),"
      "'org.zarnplay.Character1')\n"
      "c.Show(True); c.Speak('a long speech '*50)\n"
      "print('ready', flush=True); time.sleep(60)\n";
  const std::string out = (dir_ / "client.out").string();
  const pid_t client = Spawn({"/usr/bin/python3", "-c", script}, out);
  ASSERT_TRUE(PumpUntil([&] { return ReadFile(out).find("ready") != std::string::npos; }));
  ASSERT_TRUE(PumpUntil([&] {
    return ReadFile(trace_).find("\"op\":\"RequestStart\",\"req\":2") != std::string::npos;
  }));
  kill(client, SIGKILL);
  waitpid(client, nullptr, 0);
  QElapsedTimer clock;
  clock.start();
  ASSERT_TRUE(PumpUntil(
      [&] {
        return ReadFile(trace_).find("\"op\":\"Hide\",\"char\":\"Mini\",\"args\":[3]") !=
               std::string::npos;
      },
      2000));
  const std::string trace = ReadFile(trace_);
  // Its speech was stopped, not left to finish.
  EXPECT_NE(trace.find("\"op\":\"RequestComplete\",\"req\":2,\"status\":3"), std::string::npos);
}

TEST_F(ServiceBus, BadCallsGetNamedErrors) {
  QDBusConnection a = Client("a"), b = Client("b");
  const QString pip = Load(a, "Pip");
  const QString root = "/org/zarnplay/Characters";
  struct Case {
    const char* what;
    QDBusConnection* who;
    QString path;
    QString method;
    QVariantList args;
    const char* error;
  } cases[] = {
      {"missing file",
       &a,
       root,
       "Load",
       {QString("NoSuch.acs")},
       "org.zarnplay.Error.FileNotFound"},
      {"not a character",
       &a,
       root,
       "Load",
       {QString(ZARN_SOURCE_DIR "/README.md")},
       "org.zarnplay.Error.NotACharacter"},
      {"unknown animation",
       &a,
       pip,
       "Play",
       {QString("Nope")},
       "org.zarnplay.Error.NoSuchAnimation"},
      {"not loaded", &a, root + "/c99", "Speak", {QString("Hi")}, "org.zarnplay.Error.NotLoaded"},
      {"wrong arguments", &a, pip, "MoveTo", {QString("x")}, "org.zarnplay.Error.InvalidArgs"},
      {"coordinate too big", &a, pip, "GestureAt", {100000, 0}, "org.zarnplay.Error.InvalidArgs"},
      {"no such request", &a, pip, "Stop", {12345u}, "org.zarnplay.Error.NoSuchRequest"},
      {"another client's character",
       &b,
       pip,
       "Speak",
       {QString("Hi")},
       "org.freedesktop.DBus.Error.AccessDenied"},
  };
  for (const Case& c : cases) {
    const QDBusMessage reply = Call(*c.who, c.path, c.method, c.args);
    EXPECT_EQ(reply.errorName().toStdString(), c.error) << c.what;
  }
  // None of it stopped the service.
  EXPECT_EQ(Call(a, root, "GetServerInformation").type(), QDBusMessage::ReplyMessage);
}

TEST_F(ServiceBus, FloodingClientDoesNotDelayOthers) {
  // The flood from a process of its own, as a runaway program would send it.
  // Spin loops until stopped: every later Play stays pending.
  const std::string script =
      "import dbus,dbus.mainloop.glib\n"
      "from gi.repository import GLib\n"
      "dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)\n"
      "b=dbus.SessionBus()\n"
      "m=dbus.Interface(b.get_object('org.zarnplay.Characters','/org/zarnplay/Characters'),"
      "'org.zarnplay.Characters1')\n"
      "c=dbus.Interface(b.get_object('org.zarnplay.Characters',m.Load('Loopy')),"
      "'org.zarnplay.Character1')\n"
      "n=[0,0]; loop=GLib.MainLoop()\n"
      "def done(refused=False):\n"
      "  n[0]+=1; n[1]+=refused\n"
      "  if n[0]==20000: print(n[1],flush=True); loop.quit()\n"
      "for i in range(20000): c.Play('Spin',reply_handler=lambda r: done(),"
      "error_handler=lambda e: done(e.get_dbus_name()=='org.zarnplay.Error.TooManyRequests'))\n"
      "loop.run()\n";
  QDBusConnection b = Client("b");
  const QString pip = Load(b, "Pip");
  Call(b, pip, "Show", {true});
  const std::string out = (dir_ / "flood.out").string();
  const pid_t flooder = Spawn({"/usr/bin/python3", "-c", script}, out);
  ASSERT_TRUE(PumpUntil([&] { return ReadFile(trace_).find("\"req\":1000,") != std::string::npos; },
                        20000));
  bool started = false;
  BusSignal on_b(b, QString(), pip, "org.zarnplay.Character1", "RequestStart",
                 [&](const QDBusMessage&) { started = true; });
  QElapsedTimer clock;
  clock.start();
  const QDBusMessage speak = Call(b, pip, "Speak", {QString("Still here")});
  ASSERT_EQ(speak.type(), QDBusMessage::ReplyMessage) << speak.errorMessage().toStdString();
  EXPECT_TRUE(PumpUntil([&] { return started; }, 1000 - static_cast<int>(clock.elapsed())))
      << "after " << clock.elapsed() << " ms";
  int status = -1;
  ASSERT_TRUE(PumpUntil([&] { return waitpid(flooder, &status, WNOHANG) == flooder; }, 60000));
  EXPECT_EQ(ReadFile(out), "10000\n");
}

TEST_F(ServiceBus, SecondServiceSaysSoAndExits1) {
  const std::string err = (dir_ / "second.err").string();
  const int code =
      std::system((std::string(ZARNPLAY_EXE) + " --service --headless 2> " + err).c_str());
  EXPECT_EQ(WEXITSTATUS(code), 1);
  EXPECT_EQ(ReadFile(err), "zarnplay: the character service is already running on this bus\n");
}

TEST_F(ServiceBus, ScriptAsClientLeavesSharedCharacterVisible) {
  QDBusConnection b = Client("b");
  const QString pip = Load(b, "Pip");
  const std::string script = (dir_ / "pip.zrn").string();
  std::ofstream(script) << "[ZARN Script]\nVersion=7.0\n\n[Characters]\nPip=Pip.acs\n\n"
                           "[Script]\nPip.Show\nPip.Speak \"Through the service.\"\n";
  const std::string trace = (dir_ / "script.jsonl").string();
  setenv("ZARN_INSTANCE_DIR", (dir_ / "instances").string().c_str(), 1);
  // The script plays on a desktop of its own; the service draws nothing.
  const pid_t player = Spawn({ZARN_SOURCE_DIR "/tests/desktop/with_display.sh", ZARNPLAY_EXE,
                              "--service-client", "--trace", trace, script});
  int status = -1;
  ASSERT_TRUE(PumpUntil([&] { return waitpid(player, &status, WNOHANG) == player; }, 60000));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  const std::string played = ReadFile(trace);
  EXPECT_NE(played.find("\"op\":\"RequestComplete\",\"req\":2,\"status\":0"), std::string::npos);
  EXPECT_EQ(played.find("\"op\":\"Hide\""), std::string::npos);
  // The service spoke it, and Pip is still there for the other client.
  EXPECT_NE(ReadFile(trace_).find("\"Speak\",\"char\":\"Pip\",\"args\":[\"Through the service.\""),
            std::string::npos);
  EXPECT_TRUE(Property(b, pip, "Visible"));
}

// Unloading drops the client; the last one's Unload takes the character
// off the screen and the bus, its requests interrupted.
TEST_F(ServiceBus, UnloadDropsTheClientThenTheCharacter) {
  QDBusConnection a = Client("a"), b = Client("b");
  const QString root = "/org/zarnplay/Characters";
  const QString pip = Load(a, "Pip");
  Load(b, "Pip");
  Call(a, pip, "Show", {true});
  const uint speech = Call(a, pip, "Speak", {QString("\\Pau=5000\\Long")}).arguments()[0].toUInt();
  const QDBusObjectPath object(pip);
  const QVariant gone = QVariant::fromValue(QDBusObjectPath(root + "/c9"));
  const QVariant self = QVariant::fromValue(object);
  const char* denied = "org.freedesktop.DBus.Error.AccessDenied";
  const char* not_loaded = "org.zarnplay.Error.NotLoaded";
  struct Step {
    QDBusConnection* who;
    QString method;  // Unload on the manager, the rest on pip
    QVariant arg;
    const char* error;  // "" for none
    bool listed;        // pip still in Characters
  } steps[] = {
      {&b, "Unload", self, "", true},          {&b, "Speak", QString("Hi"), denied, true},
      {&a, "Think", QString("Hm"), "", true},  {&a, "Unload", self, "", false},
      {&a, "Unload", self, not_loaded, false}, {&a, "Unload", gone, not_loaded, false},
  };
  auto get = QDBusMessage::createMethodCall("org.zarnplay.Characters", root,
                                            "org.freedesktop.DBus.Properties", "Get");
  get.setArguments({QString("org.zarnplay.Characters1"), QString("Characters")});
  for (const Step& step : steps) {
    const QDBusMessage reply =
        Call(*step.who, step.method == "Unload" ? root : pip, step.method, {step.arg});
    EXPECT_EQ(reply.errorName().toStdString(), step.error) << step.method.toStdString();
    const QVariant listed = a.call(get).arguments().value(0).value<QDBusVariant>().variant();
    EXPECT_EQ(qdbus_cast<QList<QDBusObjectPath>>(listed).contains(object), step.listed)
        << step.method.toStdString();
  }
  ASSERT_TRUE(PumpUntil([&] {
    return ReadFile(trace_).find("\"op\":\"Hide\",\"char\":\"Pip\"") != std::string::npos;
  }));
  EXPECT_NE(ReadFile(trace_).find("\"req\":" + std::to_string(speech) + ",\"status\":3"),
            std::string::npos);
  // Loaded again, it is a new object that starts hidden.
  const QString again = Load(b, "Pip");
  EXPECT_NE(again, pip);
  EXPECT_FALSE(Property(b, again, "Visible"));
}

TEST_F(ServiceBus, SoundEffectsOffSilencesAnimationSounds) {
  QDBusConnection a = Client("a");
  const QString pip = Load(a, "Pip");
  uint last = 0;
  bool done = false;
  BusSignal on_a(a, QString(), pip, "org.zarnplay.Character1", "RequestComplete",
                 [&](const QDBusMessage& m) { done = done || m.arguments()[0].toUInt() == last; });
  Call(a, pip, "Show", {true});
  for (bool on : {false, true}) {
    ASSERT_EQ(Set(a, pip, "SoundEffectsOn", on).type(), QDBusMessage::ReplyMessage);
    done = false;
    last = Call(a, pip, "Play", {QString("Greet")}).arguments()[0].toUInt();
    ASSERT_TRUE(PumpUntil([&] { return done; }));
    // Greet's first frame has a sound: heard only with sound effects on.
    EXPECT_EQ(Count(ReadFile(trace_), "\"op\":\"Sound\""), on ? 1u : 0u) << on;
  }
}

// A bookmark goes to the client whose Speak carried it, even while
// another client's character has started speaking since.
TEST_F(ServiceBus, BookmarkReachesTheClientThatSpokeIt) {
  QDBusConnection a = Client("a"), b = Client("b");
  const QString pip = Load(a, "Pip"), mini = Load(b, "Mini");
  std::vector<std::string> heard;
  auto mark = [&heard](const char* who) {
    return [&heard, who](const QDBusMessage& m) {
      heard.push_back(who + std::to_string(m.arguments()[0].toUInt()));
    };
  };
  BusSignal on_a(a, QString(), pip, "org.zarnplay.Character1", "Bookmark", mark("a"));
  BusSignal on_b(b, QString(), mini, "org.zarnplay.Character1", "Bookmark", mark("b"));
  bool pip_speaking = false;
  BusSignal started(a, QString(), pip, "org.zarnplay.Character1", "RequestStart",
                    [&](const QDBusMessage&) { pip_speaking = true; });
  Call(a, pip, "Show", {true});
  Call(b, mini, "Show", {true});
  ASSERT_TRUE(PumpUntil([&] { return pip_speaking; }));
  pip_speaking = false;
  Call(a, pip, "Speak", {QString("\\Pau=1500\\\\Mrk=1\\Done")});
  ASSERT_TRUE(PumpUntil([&] { return pip_speaking; }));
  Call(b, mini, "Speak", {QString("Go\\Mrk=2\\ \\Pau=3000\\ on")});
  ASSERT_TRUE(PumpUntil([&] { return heard.size() == 2; }));
  std::sort(heard.begin(), heard.end());
  EXPECT_EQ(heard, (std::vector<std::string>{"a1", "b2"}));
}

// What a script sets on its characters reaches the service's engine.
TEST_F(ServiceBus, CharacterSettingsReachTheEngine) {
  QDBusConnection a = Client("a");
  const QString pip = Load(a, "Pip");
  struct Case {
    const char* name;
    QVariant value;
    const char* error;  // "" for none
    const char* traced;
  } cases[] = {
      {"Width", 200, "", "[\"Width\",200]"},
      {"Height", 0, "org.zarnplay.Error.InvalidArgs", nullptr},
      {"LanguageID", 0x40C, "", "[\"LanguageID\",1036]"},
      {"TTSModeID", QString("fr"), "", "[\"TTSModeID\",\"fr\"]"},
      {"BalloonFontName", QString("DejaVu Serif"), "", "[\"Balloon.FontName\",\"DejaVu Serif\"]"},
      {"BalloonFontSize", 5000, "org.zarnplay.Error.InvalidArgs", nullptr},
      {"BalloonStyle", QString("x"), "org.zarnplay.Error.InvalidArgs", nullptr},
      {"CommandsVoice", QString("pip"), "", "[\"pip\"]"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Set(a, pip, c.name, c.value).errorName().toStdString(), c.error) << c.name;
  }
  ASSERT_TRUE(
      PumpUntil([&] { return ReadFile(trace_).find("Commands.Voice") != std::string::npos; }));
  const std::string trace = ReadFile(trace_);
  for (const Case& c : cases) {
    if (c.traced != nullptr) {
      EXPECT_NE(trace.find(c.traced), std::string::npos) << c.name;
    }
  }
  auto get = QDBusMessage::createMethodCall("org.zarnplay.Characters", pip,
                                            "org.freedesktop.DBus.Properties", "Get");
  get.setArguments({QString("org.zarnplay.Character1"), QString("Width")});
  EXPECT_EQ(a.call(get).arguments().value(0).value<QDBusVariant>().variant().toInt(), 200);
  // Another client may not listen for the character.
  QDBusConnection b = Client("b");
  Load(b, "Pip");
  EXPECT_FALSE(Call(b, pip, "Listen", {true}).arguments().value(0).toBool());
}

TEST_F(ServiceBus, PythonExampleRuns) {
  const std::string out = (dir_ / "hello.out").string();
  const pid_t pid =
      Spawn({"/usr/bin/python3", ZARN_SOURCE_DIR "/examples/bus/hello.py", "Pip"}, out);
  int status = -1;
  ASSERT_TRUE(PumpUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 20000));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadFile(out), "bookmark 1\nPip said hello\n");
}

}  // namespace
}  // namespace zarn

namespace zarn {
namespace {

class ServiceOnDesktop : public ServiceBus {
 protected:
  ServiceOnDesktop() { desktop_ = true; }

  // Runs xdotool on the service's display.
  void Xdotool(const std::string& args) {
    std::string display = ReadFile((dir_ / "display").string());
    display.erase(display.find_last_not_of('\n') + 1);
    ASSERT_EQ(std::system(("DISPLAY=" + display + " xdotool " + args).c_str()), 0) << args;
  }
  // Right-clicks Pip until its menu opens (the `nth` time, from 1); the
  // menu's captions.
  std::string OpenMenu(size_t nth) {
    std::string menu;
    for (int tries = 0; tries < 4 && menu.empty(); ++tries) {
      Xdotool("mousemove 364 390 click 3");  // on Pip's body
      PumpUntil(
          [&] {
            std::istringstream lines(ReadFile(trace_));
            size_t seen = 0;
            for (std::string line; std::getline(lines, line);) {
              if (line.find("\"CharacterMenu\"") != std::string::npos && ++seen == nth) menu = line;
            }
            return !menu.empty();
          },
          1500);
    }
    PumpUntil([] { return false; }, 300);  // the menu is traced just before it maps
    const size_t args = menu.find("\"args\"");
    return args == std::string::npos ? "no menu" : menu.substr(args);
  }
};

// A person switches the input-active client from the character's menu: its
// commands are listed, and a command chosen then goes to it alone.
TEST_F(ServiceOnDesktop, MenuSwitchesTheInputActiveClient) {
  QDBusConnection a = Client("a"), b = Client("b");
  const QString pip = Load(a, "Pip");
  ASSERT_EQ(Load(b, "Pip"), pip);
  std::vector<std::string> commands;
  auto heard = [&commands](const char* who) {
    return [&commands, who](const QDBusMessage& m) {
      commands.push_back(who + (":" + m.arguments()[0].toString().toStdString()));
    };
  };
  BusSignal on_a(a, QString(), pip, "org.zarnplay.Character1", "Command", heard("a"));
  BusSignal on_b(b, QString(), pip, "org.zarnplay.Character1", "Command", heard("b"));
  for (auto [who, caption, name, command] :
       {std::tuple{&a, "&Alpha", "red", "&Red"}, std::tuple{&b, "&Beta", "green", "&Green"}}) {
    ASSERT_EQ(Set(*who, pip, "CommandsCaption", QString(caption)).type(),
              QDBusMessage::ReplyMessage);
    Call(*who, pip, "AddCommand", {QString(name), QString(command), QString()});
  }
  Call(a, pip, "MoveTo", {300, 300, 0});
  // a is input-active; Showing leaves a frame to click on.
  const uint show = Call(a, pip, "Show", {false}).arguments()[0].toUInt();
  ASSERT_TRUE(PumpUntil([&] {
    return ReadFile(trace_).find("\"req\":" + std::to_string(show) + ",\"status\":0") !=
           std::string::npos;
  }));
  EXPECT_EQ(OpenMenu(1), "\"args\":[\"&Hide\",\"-\",\"&Red\",\"-\",\"&Alpha\",\"&Beta\"]}");
  Xdotool("key b");
  EXPECT_EQ(OpenMenu(2), "\"args\":[\"&Hide\",\"-\",\"&Green\",\"-\",\"&Beta\",\"&Alpha\"]}");
  Xdotool("key g");
  ASSERT_TRUE(PumpUntil([&] { return !commands.empty(); }));
  PumpUntil([] { return false; }, 300);  // nothing more comes
  EXPECT_EQ(commands, (std::vector<std::string>{"b:green"}));
}

}  // namespace
}  // namespace zarn
