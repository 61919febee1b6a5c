// Cost of coordinate arguments: 1,000,000 expressions per iteration, as
// .MoveTo and .GestureAt arguments write them.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "core/eval/CEval.h"
#include "core/eval/EvaluateCoordinate.h"

namespace {

constexpr int kExpressions = 1000000;

const std::vector<std::string> kCharacters = {"Pip", "Max", "Bob"};

int32_t LiveCoordinate(const std::string& name, zarn::CoordinateProperty property) {
  const int32_t base = static_cast<int32_t>(name.size()) * 100;
  switch (property) {
    case zarn::CoordinateProperty::kLeft:
      return base + 12;
    case zarn::CoordinateProperty::kTop:
      return base - 340;
    case zarn::CoordinateProperty::kWidth:
      return 128;
    case zarn::CoordinateProperty::kHeight:
      return 96;
  }
  return 0;
}

std::vector<std::string> MakeExpressions(bool with_names) {
  static const char* const kWithNames[] = {
      "Pip.Left + Pip.Width / 2 - 40",
      "Max.Top - 10",
      "(Bob.Left + Bob.Width) * 2 - Pip.Width",
      "pip.left",
      "448",
      "Max.Left + (Max.Height - Pip.Height) / 2",
  };
  static const char* const kNumbers[] = {
      "300 + 128 / 2 - 40",  "-240 - 10", "(312 + 128) * 2 - 128", "312", "448",
      "412 + (96 - 96) / 2",
  };
  std::mt19937 rng(7);
  std::vector<std::string> expressions;
  expressions.reserve(kExpressions);
  for (int i = 0; i < kExpressions; ++i) {
    const size_t pick = rng() % 6;
    expressions.emplace_back(with_names ? kWithNames[pick] : kNumbers[pick]);
  }
  return expressions;
}

void BM_EvaluateCoordinate(benchmark::State& state) {
  const std::vector<std::string> expressions = MakeExpressions(true);
  const zarn::CoordinateReader reader = LiveCoordinate;
  for (auto _ : state) {
    double sum = 0;
    for (const std::string& text : expressions) {
      sum += zarn::EvaluateCoordinate(text, kCharacters, reader);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kExpressions);
}
BENCHMARK(BM_EvaluateCoordinate)->Unit(benchmark::kMillisecond);

void BM_CEvalEvaluate(benchmark::State& state) {
  const std::vector<std::string> expressions = MakeExpressions(false);
  for (auto _ : state) {
    double sum = 0;
    for (const std::string& text : expressions) sum += zarn::CEval().Evaluate(text);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kExpressions);
}
BENCHMARK(BM_CEvalEvaluate)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
