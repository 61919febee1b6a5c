// Interprets and performs long scripts headless: the line loop, the
// character host and the engine together. Reports time per script line.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/CharacterServiceFactory.h"
#include "backend/Trace.h"
#include "backend/TracingCharacterService.h"
#include "charengine/CharacterEngine.h"
#include "charfile/TestCharacters.h"
#include "core/agent/CAgent.h"
#include "core/script/LoadScript.h"
#include "core/shell/Program.h"
#include "core/shell/frmZARN.h"
#include "core/util/CFile.h"
#include "core/util/CReg.h"
#include "platform/common/RunEnvironment.h"
#include "platform/common/VirtualTimeLoop.h"
#include "platform/headless/HeadlessDesktop.h"

namespace zarn {
namespace {

const std::string& Folder() {
  static const std::string folder = [] {
    const auto path = std::filesystem::temp_directory_path() / "zarn-interpreter-bench";
    std::filesystem::create_directories(path);
    WriteTestCharacters(path.string());
    setenv("ZARN_CHARACTERS", path.c_str(), 1);
    return path.string();
  }();
  return folder;
}

// A script of `lines` character statements over two characters.
std::string MakeScript(int64_t lines) {
  const std::string path = Folder() + "/bench" + std::to_string(lines) + ".zrn";
  std::ofstream out(path, std::ios::binary);
  out << "[ZARN Script]\r\nVersion=7.0\r\n[Characters]\r\nPip=Pip.acs\r\nMini=Mini.acs\r\n"
         "[Script]\r\nPip.Show True\r\nMini.Show True\r\n";
  static const char* const kLines[] = {"Pip.Speak \"Hello there, this is line\"",
                                       "Pip.MoveTo PipCenterX + 10, 100, 0",
                                       "Mini.Play \"RestPose\"",
                                       "Pip.Play \"Blink\"",
                                       "Pip.GestureAt 10 * 2, 300",
                                       "Mini.Think \"hmm\"",
                                       "SetReq = Pip.Play(\"Wave\")",
                                       "WaitForReq",
                                       "Pip.Balloon.FontSize = 12",
                                       "Mini.MoveTo 5, 5, 0"};
  for (int64_t i = 0; i < lines; ++i) out << kLines[i % 10] << "\r\n";
  return path;
}

void BM_InterpretAndPerform(benchmark::State& state) {
  const std::string path = MakeScript(state.range(0));
  for (auto _ : state) {
    VirtualTimeLoop loop;
    Trace trace([&loop] { return loop.Now(); });
    RunEnvironment environment(loop, path, 1, std::nullopt);
    HeadlessDesktop desktop(loop, trace, 1024, 768);
    auto engine = MakeCharacterEngine(loop, 1);
    TracingCharacterService characters(*engine, trace);
    Program program(Ports{desktop, environment, characters, loop, trace});
    frmZARN form(program);
    form.Form_Load();
    while (form.Loaded() && loop.RunNext()) {
    }
    benchmark::DoNotOptimize(loop.Now());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.counters["us_per_line"] = benchmark::Counter(
      static_cast<double>(state.range(0)),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_InterpretAndPerform)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_LoadScriptOnly(benchmark::State& state) {
  const std::string path = MakeScript(state.range(0));
  for (auto _ : state) {
    VirtualTimeLoop loop;
    Trace trace([&loop] { return loop.Now(); });
    RunEnvironment environment(loop, "", 1, std::nullopt);
    HeadlessDesktop desktop(loop, trace, 1024, 768);
    auto engine = MakeCharacterEngine(loop, 1);
    TracingCharacterService characters(*engine, trace);
    Program program(Ports{desktop, environment, characters, loop, trace});
    program.agent = std::make_unique<CAgent>(program);
    program.reg = std::make_unique<CReg>(program.errors);
    program.file = std::make_unique<CFile>(program.errors, &desktop);
    benchmark::DoNotOptimize(LoadScript(program, path, false));
  }
}
BENCHMARK(BM_LoadScriptOnly)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zarn

BENCHMARK_MAIN();
