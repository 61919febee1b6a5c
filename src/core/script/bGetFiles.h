#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zarn {

namespace bErrorTrap {
class Trap;
}

namespace bGetFiles {

// The names (without folder) of the files a wildcard pattern matches,
// hidden files included; psNames is replaced and piCount set to its size.
// An empty pattern lists nothing. A failure goes to the error trap.
void ListMatchingFiles(bErrorTrap::Trap& errors, const std::string& psPattern,
                       std::vector<std::string>& psNames, int32_t& piCount);

}  // namespace bGetFiles
}  // namespace zarn
