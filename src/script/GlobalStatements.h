#pragma once

#include <string>

namespace zarn {

struct Program;

// Tests a line that addresses no character against the global statements,
// in their fixed order, and carries out the first that matches. The
// statement may cut `current_line` down to its argument, as the line loop's
// wait test then sees it.
void RunGlobalStatement(Program& program, std::string& current_line,
                        const std::string& upper_line);

}  // namespace zarn
