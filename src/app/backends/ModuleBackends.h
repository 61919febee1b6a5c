#pragma once

#include "app/Backends.h"

namespace zarn {

// Every back end this build put into the module program.
Backends ModuleBackends();

}  // namespace zarn
