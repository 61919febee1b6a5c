#include <algorithm>
#include <cctype>
#include <string_view>

#include "core/errortrap/bErrorTrap.h"
#include "core/media/bBackdrop.h"
#include "core/media/frmBackdrop.h"
#include "core/script/ResolveResourcePath.h"
#include "core/shell/Program.h"
#include "core/util/CFile.h"
#include "ports/DesktopPort.h"
#include "ports/MediaCommandPort.h"

namespace zarn::bBackdrop {
namespace {

constexpr size_t kBufferLength = 255;

// Each command gets a fresh buffer of blanks, so a failed call can never
// leave an earlier reply behind to be misread.
int32_t Send(MediaCommandPort& mci, std::string_view command, std::string& reply) {
  reply.assign(kBufferLength, ' ');
  return mci.SendString(command, reply);
}

bool ModeIs(const std::string& reply, std::string_view mode) {
  return reply.compare(0, 7, mode) == 0;
}

std::string DeviceType(std::string kind) {
  std::transform(kind.begin(), kind.end(), kind.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (kind == "sequencer" || kind == "midi" || kind == "playmidi") return "sequencer";
  if (kind == "waveaudio" || kind == "wave" || kind == "playwave") return "waveaudio";
  if (kind == "avivideo" || kind == "avi" || kind == "playavi") return "avivideo";
  return "";
}

std::string Resolve(Program& p, const std::string& file) {
  std::string temp_name;
  return ResolveResourcePath(p, file, temp_name);
}

bool FileExists(Program& p, const std::string& path) {
  if (p.file) return p.file->FileExists(path);
  return CFile(p.errors).FileExists(path);
}

// The code's text as the service gives it, up to its terminator, without
// surrounding blanks.
std::string ErrorMessage(MediaCommandPort& mci, int32_t code) {
  std::string text = mci.ErrorText(code);
  text = text.substr(0, std::min(text.find('\0'), kBufferLength - 1));
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void ReportFailure(Program& p, MediaCommandPort& mci, int32_t code) {
  p.ports.desktop.MessageBox(ErrorMessage(mci, code), MessageIcon::kWarning, MessageButtons::kOk,
                             "ZARNPlay");
  std::string reply;
  Send(mci, "close media", reply);
}

}  // namespace

void StartMedia(Program& p, const std::string& psKind, const std::string& psFile, bool pbLoop) {
  MediaCommandPort* mci = p.ports.media;
  if (mci == nullptr) return;
  // Trap and continue.
  ProcedureScope proc{p.errors, "bBackdrop.StartMedia"};
  std::string path;
  std::string reply;
  bool exists = false;
  proc.Step(10, [&] { path = Resolve(p, psFile); });
  proc.Step(20, [&] { exists = FileExists(p, path); });
  if (!exists) return;
  proc.Step(30, [&] { Send(*mci, "close media", reply); });
  int32_t code = 0;
  proc.Step(40, [&] {
    code = Send(*mci, "open \"" + path + "\" type " + DeviceType(psKind) + " alias media", reply);
  });
  if (code == 0) proc.Step(50, [&] { code = Send(*mci, "play media", reply); });
  if (code != 0) {
    proc.Step(90, [&] { ReportFailure(p, *mci, code); });
    return;
  }
  if (pbLoop) {
    proc.Step(60, [&] {
      if (frmBackdrop* form = frmBackdrop::Of(p)) form->SetTimerEnabled(true);
    });
  }
  proc.Step(70, [&] { p.ports.desktop.DoEvents(); });
}

// Trap and leave, except that a failure while resolving still tests the
// file.
void PlayWaveFile(Program& p, const std::string& psFile, bool pbRepeat) {
  ProcedureScope proc{p.errors, "bBackdrop.PlayWaveFile"};
  std::string path;
  proc.Step(10, [&] { path = Resolve(p, psFile); });
  proc.LeaveVoid([&] {
    proc.Line(20);
    if (FileExists(p, path)) StartMedia(p, "waveaudio", path, pbRepeat);
  });
}

void PlayMidiFile(Program& p, const std::string& psFile, bool pbRepeat) {
  ProcedureScope proc{p.errors, "bBackdrop.PlayMidiFile"};
  std::string path;
  proc.Step(10, [&] { path = Resolve(p, psFile); });
  proc.LeaveVoid([&] {
    proc.Line(20);
    if (FileExists(p, path)) StartMedia(p, "sequencer", path, pbRepeat);
  });
}

// No handler of its own: failures reach the interpreter.
void PlayAviFile(Program& p, const std::string& psFile, bool pbRepeat) {
  const std::string path = Resolve(p, psFile);
  if (FileExists(p, path)) StartMedia(p, "avivideo", path, pbRepeat);
}

// Timer off, status, stop, status, close: a paused device or an empty slot
// is left as it is.
void StopAllMedia(Program& p) {
  MediaCommandPort* mci = p.ports.media;
  ProcedureScope proc{p.errors, "bBackdrop.StopAllMedia"};
  proc.Step(10, [&] {
    frmBackdrop* form = frmBackdrop::Of(p);
    if (form != nullptr && form->Loaded()) form->SetTimerEnabled(false);
  });
  if (mci == nullptr) return;
  std::string reply;
  proc.Step(20, [&] {
    Send(*mci, "status media mode", reply);
    if (ModeIs(reply, "playing")) Send(*mci, "stop media", reply);
  });
  proc.Step(30, [&] {
    Send(*mci, "status media mode", reply);
    if (ModeIs(reply, "stopped")) Send(*mci, "close media", reply);
  });
}

// Trap and continue, as the start's own report.
void MediaFailed(Program& p, int32_t code) {
  MediaCommandPort* mci = p.ports.media;
  if (mci == nullptr || code == 0) return;
  ProcedureScope proc{p.errors, "bBackdrop.StartMedia"};
  proc.Step(90, [&] { ReportFailure(p, *mci, code); });
}

void MediaLoopTick(Program& p) {
  MediaCommandPort* mci = p.ports.media;
  if (mci == nullptr) return;
  // Trap and continue.
  ProcedureScope proc{p.errors, "bBackdrop.MediaLoopTick"};
  std::string reply;
  int32_t code = 0;
  proc.Step(10, [&] { code = Send(*mci, "status media mode", reply); });
  if (code != 0) {
    proc.Step(20, [&] {
      if (frmBackdrop* form = frmBackdrop::Of(p)) form->SetTimerEnabled(false);
    });
    return;
  }
  proc.Step(30, [&] {
    if (ModeIs(reply, "stopped")) Send(*mci, "play media from 1", reply);
  });
}

}  // namespace zarn::bBackdrop
