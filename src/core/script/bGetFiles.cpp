#include "core/script/bGetFiles.h"

#include "base/FileMatch.h"
#include "core/errortrap/bErrorTrap.h"

namespace zarn::bGetFiles {

// Trap and continue.
void ListMatchingFiles(bErrorTrap::Trap& errors, const std::string& psPattern,
                       std::vector<std::string>& psNames, int32_t& piCount) {
  ProcedureScope proc{errors, "bGetFiles.ListMatchingFiles"};
  psNames.clear();
  piCount = 0;
  if (psPattern.empty()) return;
  proc.Step(10, [&] {
    const WildcardPattern pattern = SplitWildcardPattern(psPattern);
    for (std::string& name : zarn::ListMatchingFiles(pattern.folder, pattern.name)) {
      psNames.push_back(std::move(name));
      ++piCount;
    }
  });
}

}  // namespace zarn::bGetFiles
