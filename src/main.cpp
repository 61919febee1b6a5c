#include <string>
#include <vector>

#include "app/Application.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return zarn::ZarnMain(args);
}
