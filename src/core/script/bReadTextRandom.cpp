#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>

#include "base/FileMatch.h"
#include "core/errortrap/bErrorTrap.h"
#include "core/script/bGetFiles.h"
#include "core/script/bReadText.h"

namespace zarn::bReadText {
namespace {

// One generator for the whole program, as scripts expect of a random pick.
std::optional<std::mt19937_64>& Generator() {
  static std::optional<std::mt19937_64> generator;
  return generator;
}

// Seeded once from the clock and the system's entropy: reseeding before
// every draw, from a clock with a resolution of seconds, adds nothing.
std::mt19937_64& Engine() {
  std::optional<std::mt19937_64>& generator = Generator();
  if (!generator) {
    std::random_device entropy;
    const auto now = std::chrono::system_clock::now().time_since_epoch().count();
    std::seed_seq seed{static_cast<uint64_t>(now), static_cast<uint64_t>(entropy()),
                       static_cast<uint64_t>(entropy())};
    generator.emplace(seed);
  }
  return *generator;
}

}  // namespace

void SeedRandom(uint32_t seed) { Generator().emplace(seed); }

int32_t RandomBetween(int32_t piLow, int32_t piHigh) {
  // 53 random bits: a double in [0, 1) with every value equally likely.
  const double unit = static_cast<double>(Engine()() >> 11) * 0x1.0p-53;
  const double span = static_cast<double>(piHigh) - static_cast<double>(piLow) + 1.0;
  const double value = std::floor(unit * span + static_cast<double>(piLow));
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
    return 0;
  }
  return static_cast<int32_t>(value);
}

// Silent: any failure leaves the pattern as the result.
std::string PickRandomFile(const std::string& psPattern) {
  std::string result = psPattern;
  Silently([&] {
    std::vector<std::string> names;
    int32_t count = 0;
    bGetFiles::ListMatchingFiles(psPattern, names, count);
    if (count <= 0 || static_cast<size_t>(count) != names.size()) return;
    const int32_t index = RandomBetween(1, count);
    if (index < 1 || index > count) return;
    result = SplitWildcardPattern(psPattern).folder + names[static_cast<size_t>(index - 1)];
  });
  return result;
}

}  // namespace zarn::bReadText
