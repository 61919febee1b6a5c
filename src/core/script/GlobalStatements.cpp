#include "core/script/GlobalStatements.h"

#include "base/VbString.h"
#include "core/agent/CAgent.h"
#include "core/media/bBackdrop.h"
#include "core/script/LoadScript.h"
#include "core/script/ResolveResourcePath.h"
#include "core/script/bReadText.h"
#include "core/script/zbShellEx.h"
#include "core/shell/Program.h"
#include "core/shell/frmZARN.h"
#include "core/util/CFile.h"
#include "core/util/CReg.h"
#include "core/util/StripEnclosing.h"
#include "ports/DesktopPort.h"
#include "ports/EnvironmentPort.h"

namespace zarn {
namespace {

using Kind = GlobalStatementKind;

// A script that plays itself through PLAYSCRIPT would otherwise recurse
// until the stack runs out.
constexpr int kMaxNestedScripts = 64;

const char* const kReadAloudDone = "\\mrk=777777777\\";

std::string Unquoted(bErrorTrap::Trap& errors, std::string_view text) {
  return StripEnclosing(errors, text, "\"");
}

// The text after the first blank of the line.
std::string Rest(const std::string& line) {
  const auto blank = line.find(' ');
  return blank == std::string::npos ? std::string() : line.substr(blank + 1);
}

bool StartsWith(const std::string& upper_line, std::string_view keyword) {
  return upper_line.compare(0, keyword.size(), keyword) == 0;
}

// One enclosing quote off each end, then "" read as ".
std::string ShellArgument(const std::string& line) {
  std::string text = Trim(Rest(line));
  if (!text.empty() && text.front() == '"') text.erase(0, 1);
  if (!text.empty() && text.back() == '"') text.pop_back();
  return ReplaceAll(text, "\"\"", "\"");
}

// Splits "a, b" at the first comma into two unquoted parts; `tail` stays
// empty without a comma.
void SplitAtComma(bErrorTrap::Trap& errors, const std::string& text, std::string& head,
                  std::string& tail) {
  const auto comma = text.find(',');
  if (comma == std::string::npos) {
    head = text;
    return;
  }
  head = Unquoted(errors, text.substr(0, comma));
  tail = Unquoted(errors, text.substr(comma + 1));
}

// "file" or "file,flag"; the flag is read exactly as written after the comma.
void MediaWithRepeat(bErrorTrap::Trap& errors, const std::string& line, GlobalStatement& s) {
  const std::string text = Unquoted(errors, Rest(line));
  const auto comma = text.find(',');
  if (comma == std::string::npos) {
    s.argument = text;
    return;
  }
  s.argument = Unquoted(errors, text.substr(0, comma));
  s.repeat = CReg::TrueFalse(text.substr(comma + 1));
}

void CloseProgram(Program& p) {
  std::string exe = p.ExePath.empty() ? p.ports.environment.ExecutablePath() : p.ExePath;
  exe = p.file->FileNameOnly(exe);
  const auto dot = exe.rfind('.');
  if (dot != std::string::npos) exe.erase(dot);
  if (UCase(exe) == "ZARN") return;
  if (p.main_form != nullptr) p.main_form->ShutDown();
}

void PlayNestedScript(Program& p, const std::string& path) {
  if (p.nested_scripts >= kMaxNestedScripts) {
    p.ports.desktop.MessageBox(
        "'" + p.file->FileNameOnly(path) + "' was not played: PLAYSCRIPT has started more than " +
            std::to_string(kMaxNestedScripts) + " scripts inside each other.",
        MessageIcon::kWarning, MessageButtons::kOk, "ZARNPlay");
    return;
  }
  ++p.nested_scripts;
  struct Leave {
    int& count;
    ~Leave() { --count; }
  } leave{p.nested_scripts};
  LoadScript(p, path, true);
}

}  // namespace

GlobalStatement ParseGlobalStatement(bErrorTrap::Trap& errors, const std::string& line,
                                     const std::string& upper_line) {
  GlobalStatement s;
  s.rest = line;
  auto with_argument = [&](Kind kind, bool resolve) {
    s.kind = kind;
    s.argument = Unquoted(errors, Rest(line));
    s.resolve = resolve;
    s.rest = Rest(line);
  };
  auto plain = [&](Kind kind) { s.kind = kind; };

  if (RemoveBlanks(upper_line).find("AGENTCONTROL.PROPERTYSHEET.VISIBLE=TRUE") !=
      std::string::npos) {
    plain(Kind::kPropertySheet);
  } else if (StartsWith(upper_line, "SHELLEX ") || StartsWith(upper_line, "RUNCOMMAND ")) {
    with_argument(Kind::kShellCommand, false);
    s.argument = ShellArgument(line);
  } else if (StartsWith(upper_line, "BGCOLOR ")) {
    with_argument(Kind::kBackdropColor, false);
  } else if (StartsWith(upper_line, "BGIMAGE ")) {
    with_argument(Kind::kBackdropImage, true);
  } else if (StartsWith(upper_line, "PLAYWAVE ")) {
    with_argument(Kind::kPlayWave, true);
  } else if (StartsWith(upper_line, "STOPWAVE")) {
    plain(Kind::kStopMedia);
  } else if (StartsWith(upper_line, "PLAYMIDI ")) {
    with_argument(Kind::kPlayMidi, true);
    MediaWithRepeat(errors, line, s);
  } else if (StartsWith(upper_line, "STOPMIDI")) {
    plain(Kind::kStopMedia);
  } else if (StartsWith(upper_line, "PLAYAVI ")) {
    with_argument(Kind::kPlayAvi, true);
    MediaWithRepeat(errors, line, s);
  } else if (StartsWith(upper_line, "STOPAVI")) {
    plain(Kind::kStopMedia);
  } else if (upper_line == "BGSHOW") {
    plain(Kind::kShowBackdrop);
  } else if (upper_line == "BGHIDE") {
    plain(Kind::kHideBackdrop);
  } else if (StartsWith(upper_line, "SENDKEYS ")) {
    with_argument(Kind::kSendKeys, false);
  } else if (StartsWith(upper_line, "CLOSEAPP ")) {
    with_argument(Kind::kCloseApp, false);
  } else if (upper_line == "ZARN.CLOSE") {
    plain(Kind::kClose);
  } else if (StartsWith(upper_line, "READCLIPBOARD ")) {
    with_argument(Kind::kReadClipboard, false);
    SplitAtComma(errors, s.argument, s.character, s.prefix);
    s.argument.clear();
  } else if (StartsWith(upper_line, "READTEXTFILE ")) {
    with_argument(Kind::kReadTextFile, true);
    if (line.find(',') == std::string::npos) {
      s.kind = Kind::kNoAction;
      s.argument.clear();
      s.resolve = false;
    } else {
      std::string remainder;
      SplitAtComma(errors, s.argument, s.character, remainder);
      SplitAtComma(errors, remainder, s.argument, s.prefix);
    }
  } else if (StartsWith(upper_line, "PLAYSCRIPT ")) {
    with_argument(Kind::kPlayScript, true);
  } else if (StartsWith(upper_line, "OPENWINDOW ") || StartsWith(upper_line, "MOVETOCONTROL ")) {
    // Recognised, but this version gives them no action.
    with_argument(Kind::kNoAction, false);
    s.argument.clear();
  }
  return s;
}

void RunGlobalStatement(Program& p, std::string& current_line, const std::string& upper_line) {
  GlobalStatement s = ParseGlobalStatement(p.errors, current_line, upper_line);
  p.StatementDownloads.clear();
  const std::string statement = current_line;
  const bool network_script = s.kind == Kind::kPlayScript && IsNetworkAddress(s.argument);
  // The line loop's wait test sees what a statement leaves of the line.
  current_line = s.rest;
  if (s.resolve) {
    std::string temp_name;
    s.argument = ResolveResourcePath(p, s.argument, temp_name);
  }
  switch (s.kind) {
    case Kind::kNone:
    case Kind::kNoAction:
      break;
    case Kind::kPropertySheet:
      p.agent->AgentControl().SetPropertySheetVisible(true);
      break;
    case Kind::kShellCommand:
      if (zbShellEx::MayRunFromScript(p, statement)) zbShellEx::RunShellCommand(p, s.argument);
      break;
    case Kind::kBackdropColor:
      bBackdrop::SetBackdropColor(p, s.argument);
      break;
    case Kind::kBackdropImage:
      bBackdrop::SetBackdropImage(p, s.argument);
      break;
    case Kind::kPlayWave:
      bBackdrop::PlayWaveFile(p, s.argument, false);
      break;
    case Kind::kStopMedia:
      bBackdrop::StopAllMedia(p);
      break;
    case Kind::kPlayMidi:
      bBackdrop::PlayMidiFile(p, s.argument, s.repeat);
      break;
    case Kind::kPlayAvi:
      bBackdrop::PlayAviFile(p, s.argument, s.repeat);
      break;
    case Kind::kShowBackdrop:
      bBackdrop::ShowBackdrop(p);
      break;
    case Kind::kHideBackdrop:
      bBackdrop::HideBackdrop(p);
      break;
    case Kind::kSendKeys:
      if (zbShellEx::MayRunFromScript(p, statement)) zbShellEx::SendKeys(p, s.argument);
      break;
    case Kind::kCloseApp:
      if (zbShellEx::MayRunFromScript(p, statement)) zbShellEx::CloseWindowByTitle(p, s.argument);
      break;
    case Kind::kClose:
      CloseProgram(p);
      break;
    case Kind::kReadClipboard:
      bReadText::ReadClipboardAloud(p, s.character, s.prefix);
      p.agent->CharSpeak(kReadAloudDone, "");
      break;
    case Kind::kReadTextFile:
      bReadText::ReadTextFileAloud(p, s.character, s.argument, s.prefix);
      p.agent->CharSpeak(kReadAloudDone, "");
      break;
    case Kind::kPlayScript:
      p.LoadingFromNetwork = network_script;
      PlayNestedScript(p, s.argument);
      p.LoadingFromNetwork = false;
      break;
  }
}

}  // namespace zarn
