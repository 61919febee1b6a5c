#include "core/shell/Program.h"

#include "core/agent/CAgent.h"
#include "core/util/CFile.h"
#include "core/util/CReg.h"
#include "ports/EnvironmentPort.h"

namespace zarn {

Program::Program(Ports p)
    : ports(p), variables(errors, [this] { return ports.environment.EnvironmentStrings(); }) {}
Program::~Program() = default;

}  // namespace zarn
