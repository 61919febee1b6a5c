#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/errortrap/bErrorTrap.h"
#include "core/script/ScriptDocument.h"
#include "core/script/bReadText.h"
#include "core/util/bUserVariables.h"

namespace zarn {

class CAgent;
class CPowerPoint;
class CFile;
class CReg;
class CharacterServicePort;
class DesktopPort;
class EnvironmentPort;
class Scheduler;
class TracePort;
class frmZARN;
class frmBackdrop;
class MediaCommandPort;
class BackdropWindowPort;
class ShellPort;
class WindowSystemPort;
class ClipboardPort;
class InternetPort;
class PresentationPort;

// The platform services the program runs on; owned by the application.
struct Ports {
  DesktopPort& desktop;
  EnvironmentPort& environment;
  CharacterServicePort& characters;
  Scheduler& scheduler;
  TracePort& trace;
  // Services that arrive one by one; each is set by the application when
  // the platform has it, and the code that uses it checks for null.
  MediaCommandPort* media = nullptr;
  BackdropWindowPort* backdrop = nullptr;
  ShellPort* shell = nullptr;
  WindowSystemPort* windows = nullptr;
  ClipboardPort* clipboard = nullptr;
  InternetPort* internet = nullptr;
  PresentationPort* presentation = nullptr;
};

// The program's shared state (the shared module's values, the error trap,
// the user variables and the three service objects), created at start-up
// and alive to the end. Nothing of it lives outside this object.
// What a script from the network may do with programs, keystrokes and
// other windows.
enum class NetworkCommandPolicy {
  kAsk,     // a Yes/No box naming the command
  kRefuse,  // a warning, and nothing done (no one to ask)
  kAllow,   // as a local script (the user said so on the command line)
};

struct Program {
  explicit Program(Ports p);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  Ports ports;

  // The wiring sets the trap's dialog and hooks and seeds the random source.
  bErrorTrap::Trap errors;
  // Environment variables come from the environment port.
  bUserVariables::Store variables;
  bReadText::RandomSource random;
  // PLAYSCRIPT runs inside each other just now.
  int nested_scripts = 0;
  // Script runs in progress whose text came from the network; set while
  // a download's script is being loaded.
  int NetworkScriptRuns = 0;
  bool LoadingFromNetwork = false;
  NetworkCommandPolicy NetworkCommands = NetworkCommandPolicy::kAsk;

  // True once the user chose Close Program in an error report: running
  // scripts and waits end there. An unload by ShutDown stops no script.
  bool Closed() const { return errors.ProgramClosed(); }

  // Set once by start-up.
  std::string AppFolder;  // ends with a separator
  std::string ExePath;
  std::string CurrentScriptFile;
  int32_t ScreenWidthPx = 0;
  int32_t ScreenHeightPx = 0;

  ScriptDocument document;

  // URLs the statement being carried out has resolved (a temporary file,
  // or the URL itself when the download failed): one line downloads a
  // reference once and reports a failure once.
  std::map<std::string, std::string> StatementDownloads;

  // Non-zero when a script was named but could not be played.
  int ExitCode = 0;

  // Created by start-up in this order.
  std::unique_ptr<CAgent> agent;
  std::unique_ptr<CReg> reg;
  std::unique_ptr<CFile> file;

  frmZARN* main_form = nullptr;
  // The backdrop form while one exists; it registers itself.
  frmBackdrop* backdrop_form = nullptr;

  // Downloaded temporary files, removed at exit.
  std::vector<std::string> TempFiles;

  // The current slideshow, replaced by every start; shared so that a
  // replaced show can finish the event it is handling.
  std::shared_ptr<CPowerPoint> powerpoint;

  // Starts a narrated slideshow of the resolved presentation with the
  // script's text; unset while no presentation program is available.
  std::function<void(const std::string& path, const std::string& text)> StartSlideshow;
};

}  // namespace zarn
