// Reading a script's settings and its [Script] text must grow linearly with
// the file: every key of [Variables] is read once, as the loader does.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/errortrap/bErrorTrap.h"
#include "core/util/CReg.h"

namespace {

// The benchmark's files live in one folder, removed when the program ends.
struct BenchFolder {
  std::string path;
  BenchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zarn-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path = pattern;
  }
  ~BenchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

std::string TempFile(const std::string& name, const std::string& text) {
  static const BenchFolder folder;
  const std::string path = folder.path + "/" + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

void GetProfileEveryVariable(benchmark::State& state) {
  const int keys = static_cast<int>(state.range(0));
  std::string text = "[Script]\r\nVersion=7\r\nPip.Speak \"Hi\"\r\n[Variables]\r\n";
  for (int i = 0; i < keys; ++i) {
    text += "Var" + std::to_string(i) + "=value number " + std::to_string(i) + "\r\n";
  }
  const std::string path = TempFile("vars" + std::to_string(keys) + ".zrn", text);
  zarn::bErrorTrap::Trap errors;
  zarn::CReg reg(errors);
  for (auto _ : state) {
    // A changed file is read again; touching it makes every round a cold load.
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now());
    const std::string list = reg.GetProfile(path, "Variables", std::nullopt, std::nullopt);
    size_t total = list.size();
    for (int i = 0; i < keys; ++i) {
      total += reg.GetProfile(path, "Variables", "Var" + std::to_string(i), std::nullopt).size();
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetComplexityN(keys);
}
BENCHMARK(GetProfileEveryVariable)
    ->RangeMultiplier(10)
    ->Range(100, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

void GetProfileSectionScript(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  std::string text = "[Script]\r\nVersion=7\r\n";
  for (int i = 0; i < lines; ++i) {
    text += "Pip.Speak \"Line " + std::to_string(i) + " of the performance\"\r\n";
  }
  text += "[Variables]\r\nwho=World\r\n";
  const std::string path = TempFile("script" + std::to_string(lines) + ".zrn", text);
  zarn::bErrorTrap::Trap errors;
  zarn::CReg reg(errors);
  for (auto _ : state) {
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now());
    benchmark::DoNotOptimize(reg.GetProfileSection(path, "Script"));
  }
  state.SetComplexityN(lines);
}
BENCHMARK(GetProfileSectionScript)
    ->RangeMultiplier(10)
    ->Range(1000, 1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
