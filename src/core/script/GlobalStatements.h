#pragma once

#include <string>

namespace zarn {

struct Program;

namespace bErrorTrap {
class Trap;
}

enum class GlobalStatementKind {
  kNone,  // the line matches no statement
  kPropertySheet,
  kShellCommand,
  kBackdropColor,
  kBackdropImage,
  kPlayWave,
  kStopMedia,
  kPlayMidi,
  kPlayAvi,
  kShowBackdrop,
  kHideBackdrop,
  kSendKeys,
  kCloseApp,
  kClose,
  kReadClipboard,
  kReadTextFile,
  kPlayScript,
  kNoAction,  // recognised, but carries no action
};

// A global statement line taken apart: which statement and the arguments it
// cuts out, before any file is resolved.
struct GlobalStatement {
  GlobalStatementKind kind = GlobalStatementKind::kNone;
  std::string argument;   // command, colour, keys, title or file
  std::string character;  // reading aloud
  std::string prefix;     // reading aloud: speech put before every piece
  bool repeat = false;    // MIDI and video
  bool resolve = false;   // `argument` is a file reference
  std::string rest;       // what is left of the line for the wait test
};

GlobalStatement ParseGlobalStatement(bErrorTrap::Trap& errors, const std::string& line,
                                     const std::string& upper_line);

// Tests a line that addresses no character against the global statements,
// in their fixed order, and carries out the first that matches. The
// statement may cut `current_line` down to its argument, as the line loop's
// wait test then sees it.
void RunGlobalStatement(Program& program, std::string& current_line, const std::string& upper_line);

}  // namespace zarn
