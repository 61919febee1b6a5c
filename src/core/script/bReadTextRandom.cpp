#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "base/FileMatch.h"
#include "core/errortrap/bErrorTrap.h"
#include "core/script/bGetFiles.h"
#include "core/script/bReadText.h"

namespace zarn::bReadText {

// Seeded once: reseeding before every draw, from a clock with a resolution
// of seconds, adds nothing.
RandomSource::RandomSource() {
  std::random_device entropy;
  const auto now = std::chrono::system_clock::now().time_since_epoch().count();
  std::seed_seq seed{static_cast<uint64_t>(now), static_cast<uint64_t>(entropy()),
                     static_cast<uint64_t>(entropy())};
  engine_.seed(seed);
}

int32_t RandomSource::RandomBetween(int32_t piLow, int32_t piHigh) {
  // 53 random bits: a double in [0, 1) with every value equally likely.
  const double unit = static_cast<double>(engine_() >> 11) * 0x1.0p-53;
  const double span = static_cast<double>(piHigh) - static_cast<double>(piLow) + 1.0;
  const double value = std::floor(unit * span + static_cast<double>(piLow));
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
    return 0;
  }
  return static_cast<int32_t>(value);
}

// Silent: any failure leaves the pattern as the result.
std::string PickRandomFile(bErrorTrap::Trap& errors, RandomSource& random,
                           const std::string& psPattern) {
  std::string result = psPattern;
  Silently([&] {
    std::vector<std::string> names;
    int32_t count = 0;
    bGetFiles::ListMatchingFiles(errors, psPattern, names, count);
    if (count <= 0 || static_cast<size_t>(count) != names.size()) return;
    const int32_t index = random.RandomBetween(1, count);
    if (index < 1 || index > count) return;
    result = SplitWildcardPattern(psPattern).folder + names[static_cast<size_t>(index - 1)];
  });
  return result;
}

}  // namespace zarn::bReadText
