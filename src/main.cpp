#include <string>
#include <vector>

#include "app/Application.h"

// The plain program: headless runs and the tools; a run that needs the
// desktop, a recording or listening starts the module program instead.
int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return zarn::ZarnMain(args, zarn::Backends{});
}
