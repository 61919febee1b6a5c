#include "script/GlobalStatements.h"

#include "agent/CAgent.h"
#include "media/bBackdrop.h"
#include "platform/DesktopPort.h"
#include "platform/EnvironmentPort.h"
#include "script/LoadScript.h"
#include "script/ResolveResourcePath.h"
#include "script/bReadText.h"
#include "script/zbShellEx.h"
#include "shell/Program.h"
#include "shell/frmZARN.h"
#include "util/CFile.h"
#include "util/CReg.h"
#include "util/StripEnclosing.h"
#include "util/VbString.h"

namespace zarn {
namespace {

// A script that plays itself through PLAYSCRIPT would otherwise recurse
// until the stack runs out.
constexpr int kMaxNestedScripts = 64;
int nested_scripts = 0;

const char* const kReadAloudDone = "\\mrk=777777777\\";

std::string Unquoted(std::string_view text) { return StripEnclosing(text, "\""); }

// The text after the first blank of the line.
std::string Rest(const std::string& line) {
  const auto blank = line.find(' ');
  return blank == std::string::npos ? std::string() : line.substr(blank + 1);
}

std::string Resolved(Program& p, const std::string& reference) {
  std::string temp_name;
  return ResolveResourcePath(p, reference, temp_name);
}

// One enclosing quote off each end, then "" read as ".
std::string ShellArgument(const std::string& line, size_t keyword_length) {
  std::string text = Trim(line.substr(keyword_length));
  if (!text.empty() && text.front() == '"') text.erase(0, 1);
  if (!text.empty() && text.back() == '"') text.pop_back();
  return ReplaceAll(text, "\"\"", "\"");
}

struct MediaArgument {
  std::string file;
  bool repeat = false;
};

// "file" or "file,flag"; the flag is read exactly as written after the comma.
MediaArgument MediaWithRepeat(Program& p, const std::string& line) {
  const std::string text = Unquoted(Rest(line));
  const auto comma = text.find(',');
  if (comma == std::string::npos) return {Resolved(p, text), false};
  return {Resolved(p, Unquoted(text.substr(0, comma))), CReg::TrueFalse(text.substr(comma + 1))};
}

// Splits "a, b" at the first comma into two unquoted parts; `tail` stays
// empty without a comma.
void SplitAtComma(const std::string& text, std::string& head, std::string& tail) {
  const auto comma = text.find(',');
  if (comma == std::string::npos) {
    head = text;
    return;
  }
  head = Unquoted(text.substr(0, comma));
  tail = Unquoted(text.substr(comma + 1));
}

void MarkReadAloudDone(Program& p) { p.agent->CharSpeak(kReadAloudDone, ""); }

void ReadClipboard(Program& p, const std::string& line) {
  std::string character;
  std::string prefix;
  SplitAtComma(Unquoted(Rest(line)), character, prefix);
  bReadText::ReadClipboardAloud(p, character, prefix);
  MarkReadAloudDone(p);
}

void ReadTextFile(Program& p, const std::string& line) {
  if (line.find(',') == std::string::npos) return;
  std::string character;
  std::string remainder;
  SplitAtComma(Unquoted(Rest(line)), character, remainder);
  std::string file;
  std::string prefix;
  SplitAtComma(remainder, file, prefix);
  bReadText::ReadTextFileAloud(p, character, Resolved(p, file), prefix);
  MarkReadAloudDone(p);
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
  if (nested_scripts >= kMaxNestedScripts) {
    p.ports.desktop.MessageBox(
        "'" + p.file->FileNameOnly(path) + "' was not played: PLAYSCRIPT has started more than " +
            std::to_string(kMaxNestedScripts) + " scripts inside each other.",
        MessageIcon::kWarning, MessageButtons::kOk, "ZARNPlay");
    return;
  }
  ++nested_scripts;
  struct Leave {
    ~Leave() { --nested_scripts; }
  } leave;
  LoadScript(p, path, true);
}

bool StartsWith(const std::string& upper_line, std::string_view keyword) {
  return upper_line.compare(0, keyword.size(), keyword) == 0;
}

}  // namespace

void RunGlobalStatement(Program& p, std::string& current_line, const std::string& upper_line) {
  const std::string& line = current_line;
  auto argument = [&] { return Unquoted(Rest(line)); };
  // The line loop's wait test sees what a statement leaves of the line.
  auto cut = [&] { current_line = Rest(current_line); };

  if (RemoveBlanks(upper_line).find("AGENTCONTROL.PROPERTYSHEET.VISIBLE=TRUE") !=
      std::string::npos) {
    p.agent->AgentControl().SetPropertySheetVisible(true);
  } else if (StartsWith(upper_line, "SHELLEX ") || StartsWith(upper_line, "RUNCOMMAND ")) {
    const std::string command = ShellArgument(line, line.find(' ') + 1);
    cut();
    zbShellEx::RunShellCommand(p, command);
  } else if (StartsWith(upper_line, "BGCOLOR ")) {
    const std::string color = argument();
    cut();
    bBackdrop::SetBackdropColor(p, color);
  } else if (StartsWith(upper_line, "BGIMAGE ")) {
    const std::string image = Resolved(p, argument());
    cut();
    bBackdrop::SetBackdropImage(p, image);
  } else if (StartsWith(upper_line, "PLAYWAVE ")) {
    const std::string wave = Resolved(p, argument());
    cut();
    bBackdrop::PlayWaveFile(p, wave, false);
  } else if (StartsWith(upper_line, "STOPWAVE")) {
    bBackdrop::StopAllMedia(p);
  } else if (StartsWith(upper_line, "PLAYMIDI ")) {
    const MediaArgument media = MediaWithRepeat(p, line);
    cut();
    bBackdrop::PlayMidiFile(p, media.file, media.repeat);
  } else if (StartsWith(upper_line, "STOPMIDI")) {
    bBackdrop::StopAllMedia(p);
  } else if (StartsWith(upper_line, "PLAYAVI ")) {
    const MediaArgument media = MediaWithRepeat(p, line);
    cut();
    bBackdrop::PlayAviFile(p, media.file, media.repeat);
  } else if (StartsWith(upper_line, "STOPAVI")) {
    bBackdrop::StopAllMedia(p);
  } else if (upper_line == "BGSHOW") {
    bBackdrop::ShowBackdrop(p);
  } else if (upper_line == "BGHIDE") {
    bBackdrop::HideBackdrop(p);
  } else if (StartsWith(upper_line, "SENDKEYS ")) {
    const std::string keys = argument();
    cut();
    zbShellEx::SendKeys(p, keys);
  } else if (StartsWith(upper_line, "CLOSEAPP ")) {
    const std::string title = argument();
    cut();
    zbShellEx::CloseWindowByTitle(p, title);
  } else if (upper_line == "ZARN.CLOSE") {
    CloseProgram(p);
  } else if (StartsWith(upper_line, "READCLIPBOARD ")) {
    const std::string whole = line;
    cut();
    ReadClipboard(p, whole);
  } else if (StartsWith(upper_line, "READTEXTFILE ")) {
    const std::string whole = line;
    cut();
    ReadTextFile(p, whole);
  } else if (StartsWith(upper_line, "PLAYSCRIPT ")) {
    const std::string script = Resolved(p, argument());
    cut();
    PlayNestedScript(p, script);
  } else if (StartsWith(upper_line, "OPENWINDOW ") || StartsWith(upper_line, "MOVETOCONTROL ")) {
    // Recognised, but this version gives them no action.
  }
}

}  // namespace zarn
