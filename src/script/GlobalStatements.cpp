#include "script/GlobalStatements.h"

namespace zarn {

void RunGlobalStatement(Program&, std::string&, const std::string&) {}

}  // namespace zarn
