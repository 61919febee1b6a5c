#include "shell/Program.h"

#include "agent/CAgent.h"
#include "util/CFile.h"
#include "util/CReg.h"

namespace zarn {

Program::Program(Ports p) : ports(p) {}
Program::~Program() = default;

}  // namespace zarn
