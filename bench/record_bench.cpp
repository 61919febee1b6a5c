// Recording to video as a user runs it: the built zarnplay records a
// one-character performance of about a minute (speech, moves, gestures) at
// 1280x720, 30 frames a second, to MP4 and to WebM. The rate is seconds of
// video made per second of wall time, start-up included.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace zarn {
namespace {

const std::string& Folder() {
  static const std::string folder = [] {
    const auto path = std::filesystem::temp_directory_path() / "zarn-record-bench";
    std::filesystem::create_directories(path / "runtime");
    return path.string();
  }();
  return folder;
}

std::string MakeScript() {
  const std::string path = Folder() + "/minute.zrn";
  std::ofstream out(path, std::ios::binary);
  out << "[ZARN Script]\r\nVersion=7.0\r\n[Characters]\r\nFennet=Fennet.acs\r\n[Script]\r\n"
         "Fennet.MoveTo 300, 300, 0\r\nFennet.Show\r\n";
  for (int i = 0; i < 6; ++i) {
    out << "Fennet.Speak \"This is part " << i
        << " of a recording that runs for about a minute, so that the rate is steady.\"\r\n"
           "Fennet.MoveTo "
        << (i % 2 ? 300 : 800)
        << ", 300\r\nFennet.GestureAt 640, 100\r\nFennet.Play \"Pleased\"\r\n"
           "Fennet.Think \"And now the next part.\"\r\n";
  }
  out << "Fennet.Hide\r\n";
  return path;
}

// Records the script; the performance's length in seconds, or -1.
double Record(const std::string& script, const std::string& video) {
  const std::string trace = Folder() + "/trace.jsonl";
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
  env.push_back("ZARN_CHARACTERS=" ZARN_CHARACTERS);
  env.push_back("XDG_RUNTIME_DIR=" + Folder() + "/runtime");
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> args = {ZARNPLAY_EXE, "--record", video, "--trace", trace, script};
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
  int status = 0;
  if (rc != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    return -1;
  }
  // The last trace record's time is where the performance ends.
  std::ifstream in(trace);
  std::string line, last;
  while (std::getline(in, line)) last = line;
  const auto at = last.find("\"t\":");
  return at == std::string::npos ? -1 : std::stod(last.substr(at + 4));
}

void BM_RecordMinute(benchmark::State& state, const char* ending) {
  const std::string script = MakeScript();
  const std::string video = Folder() + "/minute" + ending;
  double seconds = 0;
  double wall = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    seconds = Record(script, video);
    wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (seconds <= 0) state.SkipWithError("the recording failed");
    state.SetIterationTime(wall);
  }
  state.counters["video_s"] = seconds;
  state.counters["x_real_time"] = wall > 0 ? seconds / wall : 0;
}
BENCHMARK_CAPTURE(BM_RecordMinute, mp4, ".mp4")
    ->UseManualTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_RecordMinute, webm, ".webm")
    ->UseManualTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(2);

}  // namespace
}  // namespace zarn

BENCHMARK_MAIN();
