#include "core/shell/Program.h"

#include "core/agent/CAgent.h"
#include "core/util/CFile.h"
#include "core/util/CReg.h"

namespace zarn {

Program::Program(Ports p) : ports(p) {}
Program::~Program() = default;

}  // namespace zarn
