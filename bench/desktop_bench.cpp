// The built zarnplay on a real display (run it under
// tests/desktop/with_display.sh): time from starting the program to its
// first character window on screen, the CPU one idling character costs,
// and the memory with two characters shown.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "charfile/TestCharacters.h"

// Xlib last: its macros clash with other headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

extern char** environ;

namespace zarn {
namespace {

using Clock = std::chrono::steady_clock;

const std::string& Folder() {
  static const std::string folder = [] {
    const auto path = std::filesystem::temp_directory_path() / "zarn-desktop-bench";
    std::filesystem::create_directories(path);
    WriteTestCharacters(path.string());
    return path.string();
  }();
  return folder;
}

// A script that shows its characters and stays (it has a command).
std::string Script(const std::string& name, const std::string& lines) {
  const std::string path = Folder() + "/" + name + ".zrn";
  std::ofstream(path, std::ios::binary)
      << "[ZARN Script]\r\nVersion=7.0\r\n[Characters]\r\nPip=Pip.acs\r\nLoopy=Loopy.acs\r\n"
      << "[Commands]\r\n1=One|~|one\r\n[Script]\r\n"
      << lines;
  return path;
}

class Player {
 public:
  explicit Player(const std::string& script) {
    const std::string characters = "ZARN_CHARACTERS=" + Folder();
    std::vector<char*> env;
    for (char** entry = environ; *entry != nullptr; ++entry) env.push_back(*entry);
    env.push_back(const_cast<char*>(characters.c_str()));
    env.push_back(nullptr);
    std::vector<std::string> args = {ZARNPLAY_EXE, script};
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), env.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Player() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  pid_t Pid() const { return pid_; }

  // CPU time of all its threads so far, in seconds (nanosecond counts:
  // clock ticks are too coarse for an idle program).
  double CpuSeconds() const {
    double total = 0;
    const std::string tasks = "/proc/" + std::to_string(pid_) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks)) {
      std::ifstream in(task.path() / "schedstat");
      double nanoseconds = 0;
      if (in >> nanoseconds) total += nanoseconds / 1e9;
    }
    return total;
  }
  double ResidentMegabytes() const {
    std::ifstream in("/proc/" + std::to_string(pid_) + "/status");
    for (std::string line; std::getline(in, line);) {
      if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    }
    return 0;
  }

 private:
  pid_t pid_ = -1;
};

// Watches the root window for character windows being mapped.
class MapWatch {
 public:
  MapWatch() : display_(XOpenDisplay(nullptr)) {
    if (display_ != nullptr) {
      XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
      XSync(display_, True);
    }
  }
  ~MapWatch() {
    if (display_ != nullptr) XCloseDisplay(display_);
  }
  bool Ok() const { return display_ != nullptr; }
  // Waits until `count` character windows have been mapped.
  bool WaitForCharacters(int count, std::chrono::seconds limit) {
    const auto until = Clock::now() + limit;
    while (count > 0 && Clock::now() < until) {
      while (XPending(display_) > 0 && count > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == MapNotify && IsCharacter(event.xmap.window)) --count;
      }
      if (count > 0) std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return count == 0;
  }

 private:
  bool IsCharacter(Window window) {
    XClassHint hint{nullptr, nullptr};
    if (XGetClassHint(display_, window, &hint) == 0) return false;
    const bool character = hint.res_class && std::string(hint.res_class) == "ZARNCharacter";
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    return character;
  }
  Display* display_;
};

void BM_FirstFrameOnScreen(benchmark::State& state) {
  const std::string script = Script("first", "Pip.Show\r\n");
  for (auto _ : state) {
    MapWatch watch;
    if (!watch.Ok()) {
      state.SkipWithError("no display (run under tests/desktop/with_display.sh)");
      return;
    }
    const auto start = Clock::now();
    Player player(script);
    if (!watch.WaitForCharacters(1, std::chrono::seconds(10))) {
      state.SkipWithError("no character window appeared");
      return;
    }
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
  }
}
BENCHMARK(BM_FirstFrameOnScreen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// Pip shown and left alone: after the Show it idles (Blink and the idle
// animations every few seconds) for the 20 s measured.
void BM_IdleCharacterCpu(benchmark::State& state) {
  for (auto _ : state) {
    MapWatch watch;
    Player player(Script("idle", "Pip.Show\r\n"));
    if (!watch.WaitForCharacters(1, std::chrono::seconds(10))) {
      state.SkipWithError("no character window appeared");
      return;
    }
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const double before = player.CpuSeconds();
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(20));
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    state.counters["core_percent"] = 100.0 * (player.CpuSeconds() - before) / wall;
  }
}
BENCHMARK(BM_IdleCharacterCpu)->Iterations(1)->Unit(benchmark::kSecond);

void BM_TwoCharactersResident(benchmark::State& state) {
  for (auto _ : state) {
    MapWatch watch;
    Player player(Script("two",
                         "Pip.MoveTo 100, 300, 0\r\nPip.Show\r\nLoopy.Show\r\n"
                         "Pip.Speak \"Two of us\"\r\nLoopy.Play \"Chime\"\r\n"));
    if (!watch.WaitForCharacters(2, std::chrono::seconds(10))) {
      state.SkipWithError("the character windows did not appear");
      return;
    }
    std::this_thread::sleep_for(std::chrono::seconds(4));
    state.counters["rss_mb"] = player.ResidentMegabytes();
  }
}
BENCHMARK(BM_TwoCharactersResident)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace zarn

BENCHMARK_MAIN();
