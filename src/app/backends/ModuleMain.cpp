#include <string>
#include <vector>

#include "app/Application.h"
#include "app/backends/ModuleBackends.h"

// The module program: the desktop, recording and listening, started by
// `zarnplay` with its own arguments.
int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return zarn::ZarnMain(args, zarn::ModuleBackends());
}
