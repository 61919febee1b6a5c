#include "core/shell/frmZARN.h"

#include <cstdint>
#include <ctime>

#include "base/VbString.h"
#include "core/agent/CAgent.h"
#include "core/errortrap/bErrorTrap.h"
#include "core/script/LoadScript.h"
#include "core/shell/Program.h"
#include "core/util/CFile.h"
#include "core/util/CFileDialog.h"
#include "core/util/CParser.h"
#include "core/util/CReg.h"
#include "core/util/StripEnclosing.h"
#include "core/util/bUserVariables.h"
#include "ports/CharacterServicePort.h"
#include "ports/EnvironmentPort.h"
#include "ports/Scheduler.h"
#include "ports/TracePort.h"

namespace zarn {
namespace {

std::string ExecutableName(const std::string& path) {
  std::string name = path.substr(path.find_last_of('/') + 1);
  const auto dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

}  // namespace

frmZARN::frmZARN(Program& program) : program_(program) {
  program_.main_form = this;
  program_.ports.desktop.SetEvents(this);
}

frmZARN::~frmZARN() {
  program_.ports.desktop.SetEvents(nullptr);
  if (program_.main_form == this) program_.main_form = nullptr;
}

void frmZARN::DefineCommandLineVariables() {
  ProcedureScope proc{program_.errors, "frmZARN.DefineCommandLineVariables"};
  proc.LeaveVoid([&] {
    program_.variables.RemoveVariableGroup("Command");
    if (const auto args = program_.ports.environment.Arguments()) {
      for (const auto& [name, value] : args->variables) {
        program_.variables.AddVariable("Command", name, value);
      }
      return;
    }
    const std::string command_line = program_.ports.environment.CommandLine();
    if (command_line.empty()) return;
    CParser pieces(&program_.ports.desktop);
    pieces.ParseIt(command_line, "/");
    for (int32_t i = 1; i <= pieces.FieldCount(); ++i) {
      CParser pair(&program_.ports.desktop);
      pair.ParseIt(pieces.Field(i), "=");
      if (pair.FieldCount() > 1) {
        program_.variables.AddVariable("Command", pair.Field(1), pair.Field(2));
      }
    }
  });
}

std::string frmZARN::OpenScriptDialog() {
  ProcedureScope proc{program_.errors, "frmZARN.OpenScriptDialog"};
  CFileDialog dialog(&program_.ports.desktop);
  proc.Step(10, [&] { dialog.FileName = ""; });
  proc.Step(20, [&] { dialog.DefaultExt = "ZRN"; });
  proc.Step(30, [&] { dialog.DialogTitle = "Open ZARN Script"; });
  proc.Step(40, [&] {
    dialog.Filter = "ZARN Script Files (*.zrn, *.zrs)|*.zrn;*.zrs|All Files (*.*)|*.*";
  });
  proc.Step(50, [&] { dialog.FilterIndex = 1; });
  proc.Step(60, [&] { dialog.InitialDir = ""; });
  proc.Step(70, [&] { dialog.Flags = 6148; });
  proc.Step(80, [&] { dialog.hWndParent = 1; });
  proc.Step(90, [&] { dialog.MaxFileSize = 255; });
  bool confirmed = false;
  proc.Step(100, [&] { confirmed = dialog.Show(true); });
  return confirmed ? dialog.FileName : std::string();
}

void frmZARN::Form_Load() {
  ProcedureScope proc{program_.errors, "frmZARN.Form_Load"};
  loaded_ = true;
  Program& p = program_;
  const std::string command_line = p.ports.environment.CommandLine();
  const std::optional<StartArguments> args = p.ports.environment.Arguments();
  p.ports.trace.Write(TraceRecord("life", "Start").Arg(command_line));

  const bool done = proc.Leave(true, [&] {
    proc.Line(10);
    const bool close_all =
        args ? args->close_all : UCase(command_line).find("/CLOSEALL") != std::string::npos;
    if (close_all) {
      if (CloseAllInstances) CloseAllInstances();
      p.ports.desktop.DoEvents();
      Form_Unload();
      return true;
    }
    proc.Line(20);
    const std::string exe_path = p.ports.environment.ExecutablePath();
    const std::string exe_name = ExecutableName(exe_path);
    caption_ = "ZARN://" + exe_name;
    // Other copies find this one from here on, while its script still loads.
    if (RegisterMainWindow) RegisterMainWindow(caption_);
    proc.Line(30);
    p.AppFolder = exe_path.substr(0, exe_path.find_last_of('/') + 1);
    if (p.AppFolder.empty()) p.AppFolder = "./";
    p.ExePath = exe_path;
    proc.Line(40);
    p.agent = std::make_unique<CAgent>(p);
    p.reg = std::make_unique<CReg>(p.errors);
    p.file = std::make_unique<CFile>(p.errors, &p.ports.desktop);
    proc.Line(50);
    DefineCommandLineVariables();
    proc.Line(60);
    sScriptFile = args ? args->script : StripEnclosing(p.errors, command_line, "\"");
    proc.Line(70);
    p.ScreenWidthPx = p.ports.desktop.ScreenWidthTwips() / p.ports.desktop.TwipsPerPixelX();
    p.ScreenHeightPx = p.ports.desktop.ScreenHeightTwips() / p.ports.desktop.TwipsPerPixelY();
    proc.Line(80);
    p.ports.desktop.TrayAdd(nid_);
    UpdateMenu();
    proc.Line(90);
    bool result = false;
    if (!sScriptFile.empty()) {
      if (p.file->FileExists(sScriptFile)) {
        p.CurrentScriptFile = sScriptFile;
      } else if (p.file->FileExists(p.AppFolder + sScriptFile)) {
        p.CurrentScriptFile = p.AppFolder + sScriptFile;
      } else if (!args) {
        // A path followed by /name=value variables: try the text before the
        // first " /" as the path.
        const auto cut = sScriptFile.find(" /");
        if (cut != std::string::npos) {
          const std::string path = StripEnclosing(p.errors, sScriptFile.substr(0, cut), "\"");
          if (p.file->FileExists(path)) {
            p.CurrentScriptFile = path;
          } else if (p.file->FileExists(p.AppFolder + path)) {
            p.CurrentScriptFile = p.AppFolder + path;
          }
        }
      }
      if (!p.CurrentScriptFile.empty()) {
        result = LoadScript(p, p.CurrentScriptFile, true);
      } else if (args) {
        // Named one by one, the script is plainly meant: say it cannot play.
        result = LoadScript(p, sScriptFile, true);
      }
      if (!result) p.ExitCode = 1;
    } else {
      const std::string upper = UCase(exe_name);
      if (upper != "DIDADIZ" && upper != "ZARNPLAY") {
        result = ExtractEmbeddedScript ? ExtractEmbeddedScript() : false;
      } else {
        sScriptFile = StripEnclosing(p.errors, OpenScriptDialog(), "\"");
        p.CurrentScriptFile = sScriptFile;
        if (p.file->FileExists(p.CurrentScriptFile)) {
          result = LoadScript(p, p.CurrentScriptFile, true);
        }
      }
    }
    proc.Line(100);
    if (!result) Form_Unload();
    return true;
  });
  (void)done;
}

void frmZARN::PublishMenu() {
  std::vector<std::string> captions;
  for (size_t i = 1; i < mnuCharShow_.size(); ++i) {
    if (mnuCharShow_[i].visible) captions.push_back(mnuCharShow_[i].caption);
  }
  captions.push_back(mnuCloseScript_);
  program_.ports.desktop.SetPopupMenu(captions);
}

void frmZARN::UpdateMenu() {
  ProcedureScope proc{program_.errors, "frmZARN.UpdateMenu"};
  if (!program_.agent) return;
  const auto& table = program_.agent->CharacterTable();
  CharacterServicePort& control = program_.agent->AgentControl();
  for (size_t i = 1; i <= table.size(); ++i) {
    Silently([&] {
      if (mnuCharShow_.size() <= i) mnuCharShow_.resize(i + 1, mnuCharShow_[0]);
      mnuCharShow_[i].visible = true;
    });
    proc.Step(10, [&] {
      const std::string& name = table[i - 1].name;
      mnuCharShow_[i].caption = (control.Visible(name) ? "Hide &" : "Show &") + name;
    });
  }
  PublishMenu();
}

void frmZARN::Form_MouseMove(int32_t message) {
  ProcedureScope proc{program_.errors, "frmZARN.Form_MouseMove"};
  if (message != tray_message::kRightButtonUp) return;
  proc.Step(10, [&] { program_.ports.desktop.SetForegroundWindow(); });
  int chosen = -1;
  proc.Step(20, [&] { chosen = program_.ports.desktop.TrackPopupMenu().value_or(-1); });
  if (chosen < 0) return;
  // Map the visible caption back to its menu item.
  int visible_index = 0;
  for (size_t i = 1; i < mnuCharShow_.size(); ++i) {
    if (!mnuCharShow_[i].visible) continue;
    if (visible_index++ == chosen) {
      mnuCharShow_Click(static_cast<int>(i));
      return;
    }
  }
  if (visible_index == chosen) mnuCloseScript_Click();
}

void frmZARN::mnuCharShow_Click(int index) {
  if (!program_.agent) return;
  const auto& table = program_.agent->CharacterTable();
  if (index < 1 || static_cast<size_t>(index) > table.size()) return;
  const std::string name = table[index - 1].name;
  CharacterServicePort& control = program_.agent->AgentControl();
  Silently([&] { control.StopAll(name, std::nullopt); });
  if (mnuCharShow_[index].caption.rfind("Show", 0) == 0) {
    Silently([&] { control.Show(name, std::nullopt); });
  } else {
    Silently([&] { control.Hide(name, std::nullopt); });
  }
}

void frmZARN::mnuCloseScript_Click() { ShutDown(); }

void frmZARN::ShutDown() {
  // Events pumped while it waits for a hide (the end marker, a second
  // close) must not start a second shutdown inside the first.
  if (!loaded_ || unloading_ || shutting_down_) return;
  shutting_down_ = true;
  Program& p = program_;
  p.ports.trace.Write(TraceRecord("life", "ShutDown"));
  if (p.agent) {
    CharacterServicePort& control = p.agent->AgentControl();
    const auto table = p.agent->CharacterTable();
    for (const auto& entry : table) {
      const std::string& name = entry.name;
      Silently([&] { control.StopAll(name, std::nullopt); });
      bool visible = false;
      bool others = false;
      Silently([&] { visible = control.Visible(name); });
      Silently([&] { others = control.HasOtherClients(name); });
      if (visible) {
        if (others) continue;
        RequestId request = 0;
        Silently([&] { request = control.Hide(name, std::nullopt); });
        const std::time_t start_seconds = p.ports.scheduler.Now() / 1000;
        for (;;) {
          int first = request_status::kFailed;
          int second = request_status::kFailed;
          Silently([&] { first = control.RequestStatus(request); });
          Silently([&] { second = control.RequestStatus(request); });
          if (first != request_status::kPending && second != request_status::kInProgress) break;
          p.ports.desktop.Sleep(10);
          p.ports.desktop.DoEvents();
          if (p.Closed() || p.ports.scheduler.Now() / 1000 - start_seconds > 5) break;
        }
      } else if (others) {
        Silently([&] { control.Show(name, std::nullopt); });
      }
    }
  }
  Form_Unload();
}

void frmZARN::Form_Unload() {
  if (!loaded_ || unloading_) return;
  unloading_ = true;
  ProcedureScope proc{program_.errors, "frmZARN.Form_Unload"};
  program_.ports.trace.Write(TraceRecord("life", "Unload"));
  proc.Step(10, [&] { program_.ports.desktop.TrayRemove(nid_); });
  proc.Step(20, [&] {
    if (UnloadOtherForms) UnloadOtherForms();
  });
  proc.Step(30, [&] {
    if (StopAllMedia) StopAllMedia();
  });
  unloaded_ = unloaded_ || loaded_;
  loaded_ = false;
}

}  // namespace zarn
