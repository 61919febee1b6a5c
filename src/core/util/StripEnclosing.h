#pragma once

#include <string>
#include <string_view>

namespace zarn {

namespace bErrorTrap {
class Trap;
}

// Trims blanks, then removes `strip` from the front as often as it is there,
// then from the end, ignoring case. Only the first step trims blanks.
std::string StripEnclosing(bErrorTrap::Trap& errors, std::string_view text, std::string_view strip);
// The same, as the part of `text` that is kept.
std::string_view StripEnclosingView(bErrorTrap::Trap& errors, std::string_view text,
                                    std::string_view strip);

}  // namespace zarn
