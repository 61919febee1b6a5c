#include "core/util/StripEnclosing.h"

#include "base/VbString.h"
#include "core/errortrap/bErrorTrap.h"

namespace zarn {

std::string_view StripEnclosingView(bErrorTrap::Trap& errors, std::string_view text,
                                    std::string_view strip) {
  // Trap and continue: the text as far as it got.
  ProcedureScope proc{errors, "ZARNGlobalX.StripEnclosing"};
  std::string_view rest = text;
  proc.Step(10, [&] { rest = TrimView(rest); });
  proc.Step(20, [&] {
    // An empty strip text would never shorten the text.
    if (strip.empty()) return;
    while (StartsWithNoCase(rest, strip)) rest.remove_prefix(strip.size());
  });
  proc.Step(30, [&] {
    if (strip.empty()) return;
    while (EndsWithNoCase(rest, strip)) rest.remove_suffix(strip.size());
  });
  return rest;
}

std::string StripEnclosing(bErrorTrap::Trap& errors, std::string_view text,
                           std::string_view strip) {
  return std::string(StripEnclosingView(errors, text, strip));
}

}  // namespace zarn
