// libFuzzer target: any bytes as a coordinate expression. Every failure must
// be absorbed into a plain finite number; a crash, a sanitizer report or a
// non-finite result is a finding.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/eval/CEval.h"
#include "core/eval/EvaluateCoordinate.h"

namespace {

int32_t FuzzCoordinate(const std::string& name, zarn::CoordinateProperty property) {
  if (name == "Ghost") throw std::runtime_error("not readable");
  return property == zarn::CoordinateProperty::kLeft ? -2147483647 - 1 : 2147483647;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  zarn::CEval eval;
  const double value = eval.Evaluate(text);
  if (!std::isfinite(value)) __builtin_trap();
  if (eval.LastFailure().has_value() && value != 0) __builtin_trap();

  const double coordinate = zarn::EvaluateCoordinate(text, {"Pip", "Ghost"}, FuzzCoordinate);
  if (!std::isfinite(coordinate)) __builtin_trap();
  return 0;
}
