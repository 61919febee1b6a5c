#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ports/DesktopPort.h"

namespace zarn {

struct Program;

// The hidden main form: start-up, the tray icon and its popup menu,
// shutdown and unloading, which ends the program.
class frmZARN : public DesktopEvents {
 public:
  explicit frmZARN(Program& program);
  ~frmZARN() override;

  void Form_Load();
  void Form_Unload();
  void ShutDown();
  void UpdateMenu();

  // The tray callback (the form's mouse-move event) and the menu handlers.
  void Form_MouseMove(int32_t message);
  void mnuCharShow_Click(int index);
  void mnuCloseScript_Click();

  void TrayMouseMessage(int32_t message) override { Form_MouseMove(message); }
  void CloseRequested() override { Form_Unload(); }

  std::string OpenScriptDialog();
  void DefineCommandLineVariables();

  bool Loaded() const { return loaded_; }
  // Loaded once and unloaded since: the program is ending.
  bool Unloaded() const { return unloaded_; }
  // A shutdown has begun (it may still be waiting for a hide) or is over.
  bool Ending() const { return shutting_down_ || unloading_ || unloaded_; }
  const std::string& Caption() const { return caption_; }
  std::string sScriptFile;

  // Set by the subsystems that own them: the other forms' unloading and
  // the media slot, both released when this form unloads; the close-all
  // walk and the embedded-script search run from start-up.
  std::function<void()> UnloadOtherForms;
  std::function<void()> StopAllMedia;
  std::function<void()> CloseAllInstances;
  std::function<bool()> ExtractEmbeddedScript;
  // Makes the main window findable by its caption (the instance mark).
  std::function<void(const std::string& caption)> RegisterMainWindow;

 private:
  struct MenuItem {
    std::string caption;
    bool visible = false;
  };
  void PublishMenu();

  Program& program_;
  bool loaded_ = false;
  bool unloaded_ = false;
  bool unloading_ = false;
  bool shutting_down_ = false;
  std::string caption_;
  NotifyIconData nid_;
  // Item 0 is the invisible template "Show"; item i is character i.
  std::vector<MenuItem> mnuCharShow_{{"Show", false}};
  const std::string mnuCloseScript_ = "&Close";
};

}  // namespace zarn
