#include "core/agent/CAgent.h"

#include <cmath>

#include "base/VbConvert.h"
#include "core/errortrap/bErrorTrap.h"
#include "core/media/CPowerPoint.h"
#include "core/shell/Program.h"
#include "core/shell/frmZARN.h"
#include "core/util/CFile.h"
#include "core/util/StripEnclosing.h"
#include "ports/DesktopPort.h"
#include "ports/Scheduler.h"

namespace zarn {
namespace {

constexpr int32_t kEnglishUS = 1033;
constexpr size_t kMaxCharacters = 32767;

}  // namespace

CAgent::CAgent(Program& program) : program_(program), control_(program.ports.characters) {
  Silently([&] { control_.SetEvents(this); });
  Silently([&] { control_.SetConnected(true); });
}

CAgent::~CAgent() {
  Silently([&] { control_.SetEvents(nullptr); });
}

const std::string& CAgent::CharObject() const {
  if (char_.empty()) ThrowNoObject();
  return char_;
}

bool CAgent::CharLoad(const std::string& psCharID, std::string psFileName, bool, bool,
                      bool pbShowErrors, int32_t& piLanguageID) {
  ProcedureScope proc{program_.errors, "CAgent.CharLoad"};
  // Unexpected failures reach the trap only when the caller wants errors.
  auto step = [&](int32_t label, auto&& body) {
    if (pbShowErrors) return proc.Step(label, body);
    return Silently(body);
  };

  step(10, [&] {
    if (piLanguageID == 0) piLanguageID = kEnglishUS;
  });

  bool loaded = false;
  Silently([&] { loaded = control_.IsLoaded(psCharID) && !control_.Name(psCharID).empty(); });
  if (loaded) {
    for (size_t i = 0; i < table_.size(); ++i) {
      if (table_[i].name == psCharID) {
        current_index_ = static_cast<int16_t>(i + 1);
        break;
      }
    }
    Silently([&] {
      if (control_.IsLoaded(psCharID)) char_ = psCharID;
    });
    return true;
  }

  Silently([&] {
    if (!control_.Connected()) control_.SetConnected(true);
  });
  bool ok = Silently([&] { control_.Load(psCharID, psFileName); });
  if (!ok) {
    psFileName = program_.AppFolder + program_.file->FileNameOnly(psFileName);
    ok = Silently([&] { control_.Load(psCharID, psFileName); });
  }
  if (!ok) {
    if (pbShowErrors) {
      program_.ports.desktop.MessageBox("Error Loading Character: " + psCharID + " - " + psFileName,
                                        MessageIcon::kNone, MessageButtons::kOk, "ZARNPlay");
    }
    return false;
  }

  if (!Silently([&] { control_.SetLanguageID(psCharID, piLanguageID); })) {
    Silently([&] { control_.SetLanguageID(psCharID, kEnglishUS); });
  }
  step(20, [&] {
    if (!control_.IsLoaded(psCharID)) throw VbError(vberr::kNoObject, "Character not loaded");
    char_ = psCharID;
  });
  step(30, [&] {
    if (table_.size() >= kMaxCharacters) ThrowOverflow();
    CharacterEntry entry{psCharID, psFileName, 0, 0};
    Silently([&] { entry.width = control_.Width(psCharID); });
    Silently([&] { entry.height = control_.Height(psCharID); });
    table_.push_back(std::move(entry));
    current_index_ = static_cast<int16_t>(table_.size());
  });
  return true;
}

void CAgent::CharSelect(const std::string& psCharID) {
  if (!control_.IsLoaded(psCharID)) {
    int32_t language = 0;
    CharLoad(psCharID, psCharID + ".acs", false, false, true, language);
    return;
  }
  char_ = psCharID;
  for (size_t i = 0; i < table_.size(); ++i) {
    if (table_[i].name == psCharID) {
      current_index_ = static_cast<int16_t>(i + 1);
      return;
    }
  }
}

void CAgent::WaitForRequest(std::optional<RequestId> request) {
  if (!request || *request == 0) return;
  const std::string current =
      current_index_ > 0 && static_cast<size_t>(current_index_) <= table_.size()
          ? table_[current_index_ - 1].name
          : std::string();
  for (const auto& entry : table_) {
    if (entry.name == current) continue;
    Silently([&] { control_.Wait(entry.name, *request); });
  }
}

void CAgent::CharShow(bool fast) {
  KeepRequest([&](const std::string& id) { return control_.Show(id, fast); });
}

void CAgent::CharHide(bool fast) {
  KeepRequest([&](const std::string& id) { return control_.Hide(id, fast); });
}

void CAgent::CharThink(const std::string& text) {
  KeepRequest([&](const std::string& id) { return control_.Think(id, text); });
}

void CAgent::CharPlay(const std::string& animation) {
  KeepRequest([&](const std::string& id) { return control_.Play(id, animation); });
}

void CAgent::CharMoveTo(int32_t x, int32_t y, int32_t speed) {
  KeepRequest([&](const std::string& id) {
    const int16_t x16 = CInt(static_cast<double>(x));
    const int16_t y16 = CInt(static_cast<double>(y));
    std::optional<int32_t> speed_arg;
    if (speed != -1) speed_arg = speed;
    return control_.MoveTo(id, x16, y16, speed_arg);
  });
}

void CAgent::CharGestureAt(int32_t x, int32_t y) {
  KeepRequest([&](const std::string& id) {
    return control_.GestureAt(id, CInt(static_cast<double>(x)), CInt(static_cast<double>(y)));
  });
}

void CAgent::CharSetWidth(const std::string& text) {
  Silently([&] { control_.SetWidth(CharObject(), CInt(Val(text))); });
}

void CAgent::CharSetHeight(const std::string& text) {
  Silently([&] { control_.SetHeight(CharObject(), CInt(Val(text))); });
}

void CAgent::CharSetTTSModeID(const std::string& text) {
  Silently([&] { control_.SetTTSModeID(CharObject(), text); });
}

void CAgent::CharSetBalloonFontName(const std::string& text) {
  Silently([&] {
    control_.SetBalloonFontName(CharObject(), StripEnclosing(program_.errors, text, "\""));
  });
}

void CAgent::CharSetBalloonFontSize(const std::string& text) {
  Silently([&] { control_.SetBalloonFontSize(CharObject(), CLng(text)); });
}

void CAgent::CharSetBalloonStyle(const std::string& text) {
  Silently([&] { control_.SetBalloonStyle(CharObject(), CLng(Val(text))); });
}

void CAgent::CharStopAll() {
  for (const auto& entry : table_) {
    Silently([&] { control_.StopAll(entry.name, std::nullopt); });
  }
}

void CAgent::CharListen(const std::string& psTrueFalse) {
  Silently([&] {
    std::string upper;
    for (char ch : psTrueFalse)
      upper += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (upper == "TRUE") {
      control_.Listen(CharObject(), true);
    } else if (upper == "FALSE") {
      control_.Listen(CharObject(), false);
    }
  });
}

void CAgent::UpdateAgentCommands(const std::string& psCharID) {
  const ScriptDocument& doc = program_.document;
  Silently([&] { control_.CommandsRemoveAll(psCharID); });
  Silently([&] {
    control_.SetCommandsCaption(psCharID,
                                doc.MenuName.empty() ? "ZARNPlay - " + psCharID : doc.MenuName);
  });
  Silently([&] { control_.SetCommandsVoice(psCharID, psCharID); });
  for (const auto& command : doc.Commands) {
    Silently([&] { control_.CommandsAdd(psCharID, command.id, command.caption, command.voice); });
  }
  Silently([&] { control_.CommandsAdd(psCharID, "ZARNClose", "Close", ""); });
}

void CAgent::UpdateAgentCommandsAll() {
  for (const auto& entry : table_) {
    if (!Silently([&] {
          if (!control_.IsLoaded(entry.name)) throw VbError(vberr::kNoObject, "not loaded");
        })) {
      continue;
    }
    UpdateAgentCommands(entry.name);
  }
}

void CAgent::RequestStart(RequestId) {}

void CAgent::RequestComplete(RequestId request, int) { AgentControl_RequestComplete(request); }

void CAgent::Bookmark(int32_t bookmark_id, const std::string& /*character_id*/,
                      RequestId /*request*/) {
  AgentControl_Bookmark(bookmark_id);
}

void CAgent::Command(const UserInput& input) { AgentControl_Command(input); }

void CAgent::Show(const std::string&, int) {
  if (program_.main_form) program_.main_form->UpdateMenu();
}

void CAgent::Hide(const std::string&, int) {
  ProcedureScope proc{program_.errors, "CAgent.AgentControl_Hide"};
  proc.Step(10, [&] {
    if (program_.main_form) program_.main_form->UpdateMenu();
  });
}

void CAgent::AgentControl_Bookmark(int32_t BookmarkID) {
  ProcedureScope proc{program_.errors, "CAgent.AgentControl_Bookmark"};
  std::string script;
  bool found = false;
  proc.Step(10, [&] {
    for (const auto& entry : program_.document.Bookmarks) {
      if (entry.number == BookmarkID) {
        script = entry.script;
        found = true;
        return;
      }
    }
  });
  if (found && !script.empty()) {
    proc.Step(20, [&] { PlayScript(script, false, true, false); });
  }
}

void CAgent::AgentControl_RequestComplete(RequestId Request) {
  if (Request == 0) return;
  if (Request == ReqPowerPointAutoAdvReq) {
    // The pause is counted in whole seconds of the clock, so it may end up
    // to a second short; one 100 ms pass always runs.
    // Any shutdown (the tray's Close, a close message, the error report)
    // ends the wait, and the next slide does not come after it.
    const auto ending = [this] {
      return program_.Closed() || (program_.main_form && program_.main_form->Ending());
    };
    Silently([&] {
      DesktopPort& desktop = program_.ports.desktop;
      const Scheduler& clock = program_.ports.scheduler;
      const Millis start_seconds = clock.Now() / 1000;
      do {
        desktop.DoEvents();
        desktop.Sleep(100);
      } while (!ending() && clock.Now() / 1000 - start_seconds < program_.document.PowerPointPause);
    });
    if (ending()) return;
    Silently([&] {
      const std::shared_ptr<CPowerPoint> show = program_.powerpoint;
      if (!show) ThrowNoObject();
      show->AdvanceSlide();
    });
  }
  if (Request != ReqPlayScriptEnd) return;
  if (program_.document.PowerPointMode) return;
  bool has_aco = false;
  Silently([&] { has_aco = !control_.CommandCaption(CharObject(), "ACO").empty(); });
  int32_t count = 0;
  const bool counted = Silently([&] { count = control_.CommandsCount(CharObject()); });
  if (!counted || count == 1 || (count == 2 && has_aco)) {
    if (program_.main_form) program_.main_form->ShutDown();
  }
}

void CAgent::AgentControl_Command(const UserInput& UserInput) {
  ProcedureScope proc{program_.errors, "CAgent.AgentControl_Command"};
  proc.Step(10, [&] { program_.ports.desktop.DoEvents(); });
  if (UserInput.confidence <= -40) return;
  auto ambiguous = [&](const std::string& alt_name, int32_t alt_confidence) {
    return !alt_name.empty() && alt_name != UserInput.name &&
           std::abs(std::abs(alt_confidence) - std::abs(UserInput.confidence)) < 10;
  };
  if (ambiguous(UserInput.alt1_name, UserInput.alt1_confidence)) return;
  if (ambiguous(UserInput.alt2_name, UserInput.alt2_confidence)) return;
  if (UserInput.confidence == 100 && UserInput.name == "ZARNClose") {
    if (program_.main_form) program_.main_form->ShutDown();
    return;
  }
  std::string script;
  bool found = false;
  for (const auto& entry : program_.document.Commands) {
    if (entry.id == UserInput.name) {
      script = entry.script;
      found = true;
      break;
    }
  }
  if (found) proc.Step(20, [&] { PlayScript(script, false, true, false); });
}

}  // namespace zarn
