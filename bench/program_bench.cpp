// The whole program as a user runs it: the built zarnplay, headless with
// --idle-exit, on scripts of 2, 10,000 and 100,000 lines, its timeline going
// to stdout (here /dev/null). Wall time per run (the rates use it) and script
// lines per second; start-up and reading the characters are included, the
// 2-line run shows how much that is. "statements" cycles ten kinds of
// character statement; "text" adds variables and placement names, the
// substitutions done over the whole script. With ZARN_BENCH_BEFORE naming
// another build's zarnplay, each run is measured with it too, side by side
// (bench/lines.sh tabulates the two).

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "charfile/TestCharacters.h"

extern char** environ;

namespace zarn {
namespace {

const std::string& Folder() {
  static const std::string folder = [] {
    const auto path = std::filesystem::temp_directory_path() / "zarn-program-bench";
    std::filesystem::create_directories(path / "runtime");
    WriteTestCharacters(path.string());
    return path.string();
  }();
  return folder;
}

// The interpreter benchmark's statements over two characters.
constexpr const char* kStatements[] = {"Pip.Speak \"Hello there, this is line\"",
                                       "Pip.MoveTo PipCenterX + 10, 100, 0",
                                       "Mini.Play \"RestPose\"",
                                       "Pip.Play \"Blink\"",
                                       "Pip.GestureAt 10 * 2, 300",
                                       "Mini.Think \"hmm\"",
                                       "SetReq = Pip.Play(\"Wave\")",
                                       "WaitForReq",
                                       "Pip.Balloon.FontSize = 12",
                                       "Mini.MoveTo 5, 5, 0"};
// Lines that name variables and the characters' places in any case.
constexpr const char* kText[] = {"Pip.Speak \"Hello %who%, welcome to %place%\"",
                                 "Mini.MoveTo MiniRightX - 5, MiniBottomY, 0",
                                 "Pip.Think \"%WHO% is in %Place% today\"",
                                 "Pip.GestureAt PIPCENTERX, pipcentery",
                                 "Mini.Speak \"Ready, %Who%?\"",
                                 "Pip.MoveTo PipLeftX + 10, PipTopY + 20, 0"};

std::string MakeScript(const std::string& kind, int64_t lines) {
  const std::string path = Folder() + "/" + kind + std::to_string(lines) + ".zrn";
  std::ofstream out(path, std::ios::binary);
  out << "[ZARN Script]\r\nVersion=7.0\r\n[Variables]\r\nwho=friend\r\nplace=the garden\r\n"
         "[Characters]\r\nPip=Pip.acs\r\nMini=Mini.acs\r\n"
         "[Script]\r\nPip.Show True\r\nMini.Show True\r\n";
  const bool text = kind == "text";
  const size_t kinds = text ? std::size(kText) : std::size(kStatements);
  for (int64_t i = 2; i < lines; ++i) {
    out << (text ? kText : kStatements)[static_cast<size_t>(i) % kinds] << "\r\n";
  }
  return path;
}

// Runs zarnplay on the script; its exit code, or -1. `cpu_seconds` gets the
// child's user and system time, which a busy machine inflates less than wall
// time.
int RunPlayer(const std::string& player, const std::string& script, double& cpu_seconds) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
  env.push_back("ZARN_CHARACTERS=" + Folder());
  env.push_back("XDG_RUNTIME_DIR=" + Folder() + "/runtime");
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> args = {player, "--headless", "--idle-exit", script};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  struct rusage usage {};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status)) return -1;
  cpu_seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return WEXITSTATUS(status);
}

void BM_Program(benchmark::State& state, const std::string& player, const std::string& kind) {
  const int64_t lines = state.range(0);
  const std::string script = MakeScript(kind, lines);
  double cpu_total = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    double cpu = 0;
    const int code = RunPlayer(player, script, cpu);
    cpu_total += cpu;
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (code != 0) {
      state.SkipWithError("zarnplay failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * lines);
  state.counters["cpu_ms"] =
      benchmark::Counter(cpu_total * 1000, benchmark::Counter::kAvgIterations);
  state.counters["lines_per_cpu_s"] =
      cpu_total > 0 ? static_cast<double>(state.iterations() * lines) / cpu_total : 0;
  state.counters["us_per_line"] =
      benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}
}  // namespace
}  // namespace zarn

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  // ZARN_BENCH_PLAYER measures another build's player as "now".
  const char* now = std::getenv("ZARN_BENCH_PLAYER");
  std::vector<std::pair<std::string, std::string>> players = {
      {"now", now != nullptr && *now != '\0' ? now : ZARNPLAY_EXE}};
  const char* before = std::getenv("ZARN_BENCH_BEFORE");
  if (before != nullptr && *before != '\0') players.insert(players.begin(), {"before", before});
  for (const char* kind : {"statements", "text"}) {
    for (const int64_t lines : {2, 10000, 100000}) {
      for (const auto& [name, exe] : players) {
        benchmark::RegisterBenchmark(("BM_Program/" + name + "/" + kind).c_str(), zarn::BM_Program,
                                     exe, std::string(kind))
            ->Arg(lines)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
      }
    }
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}
