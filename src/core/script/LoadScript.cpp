#include "core/script/LoadScript.h"

#include <utility>

#include "base/VbConvert.h"
#include "base/VbString.h"
#include "core/agent/CAgent.h"
#include "core/errortrap/bErrorTrap.h"
#include "core/script/ResolveResourcePath.h"
#include "core/shell/Program.h"
#include "core/util/CFile.h"
#include "core/util/CParser.h"
#include "core/util/CReg.h"
#include "core/util/bUserVariables.h"
#include "ports/DesktopPort.h"
#include "ports/TracePort.h"

namespace zarn {
namespace {

const std::string kScriptSection = "ZARN Script";

// Splits a NUL-separated key list.
std::vector<std::string> KeyList(Program& p, const std::string& path, const std::string& section) {
  const std::string keys = p.reg->GetProfile(path, section, std::nullopt, std::string());
  std::vector<std::string> names;
  if (keys.empty()) return names;
  CParser parser(&p.ports.desktop);
  parser.ParseIt(keys, std::string(1, '\0'));
  names.reserve(static_cast<size_t>(parser.FieldCount()));
  for (int32_t i = 1; i <= parser.FieldCount(); ++i) names.push_back(parser.Field(i));
  return names;
}

}  // namespace

bool LoadScript(Program& p, const std::string& path, bool play) {
  ProcedureScope proc{p.errors, "ZARNGlobalX.LoadScript"};
  if (path.find("://") != std::string::npos) {
    return LoadScriptFromUrl(p, path, play);
  }
  p.ports.trace.Write(TraceRecord("life", "LoadScript").Arg(path));
  // A script a downloaded one loads is no more trusted than its loader.
  const bool from_network = std::exchange(p.LoadingFromNetwork, false) || p.NetworkScriptRuns > 0;
  CReg& reg = *p.reg;
  ScriptDocument& doc = p.document;

  std::string version;
  proc.Step(10, [&] { version = reg.GetProfile(path, kScriptSection, "Version", std::string()); });
  if (version.empty()) {
    p.ports.desktop.MessageBox(
        "'" + p.file->FileNameOnly(path) + "' is not a valid ZARN Script File.",
        MessageIcon::kWarning, MessageButtons::kOk, "ZARNPlay");
    return false;
  }

  std::string script;
  proc.Step(20, [&] { script = reg.GetProfileSection(path, "Script"); });
  proc.Step(30, [&] {
    doc.ScriptPath = path;
    doc.FromNetwork = from_network;
  });
  proc.Step(40, [&] { p.ports.desktop.SetPointer(MousePointer::kWait); });

  proc.Step(50, [&] {
    p.variables.RemoveVariableGroup("Script");
    for (const auto& name : KeyList(p, path, "Variables")) {
      p.variables.AddVariable("Script", name,
                              reg.GetProfile(path, "Variables", name, std::string()));
    }
  });

  std::string ppt_file;
  proc.Step(60, [&] {
    ppt_file = reg.GetProfile(path, kScriptSection, "PowerPointFile", std::string());
  });
  doc.PowerPointFile = ppt_file;
  if (!ppt_file.empty()) {
    proc.Step(70, [&] {
      doc.PowerPointAutoAdvance =
          CLng(reg.GetProfile(path, kScriptSection, "PowerPointAutoAdvance", std::string("0")));
    });
    proc.Step(80, [&] {
      const int32_t value = CLng(CReg::ZeroOne(
          reg.GetProfile(path, kScriptSection, "PowerPointRepeat", std::string("0"))));
      doc.PowerPointRepeat = value > 0 ? 1 : 0;
    });
    proc.Step(90, [&] {
      doc.PowerPointPause = CLng(CReg::Range(
          reg.GetProfile(path, kScriptSection, "PowerPointPause", std::string("1")), 0, 60));
    });
    proc.Step(100, [&] {
      std::string temp_name;
      doc.PowerPointFile = ResolveResourcePath(p, doc.PowerPointFile, temp_name);
    });
    proc.Step(110, [&] {
      if (p.file->FileExists(doc.PowerPointFile)) {
        doc.PowerPointMode = true;
      } else {
        doc.PowerPointFile.clear();
      }
    });
  }

  std::vector<std::string> characters;
  proc.Step(120, [&] { characters = KeyList(p, path, "Characters"); });
  int32_t language = 0;
  for (const auto& name : characters) {
    if (name.empty()) continue;
    std::string file;
    proc.Step(130, [&] { file = reg.GetProfile(path, "Characters", name, std::string()); });
    proc.Step(140, [&] {
      language = CLng(reg.GetProfile(path, "LanguageIDs", name, std::string("&H409")));
    });
    if (p.agent->CharLoad(name, file, true, false, false, language)) continue;
    if (name == "Char" || file.empty()) continue;
    const std::string bare = file.substr(file.find_last_of('\\') + 1);
    if (!p.agent->CharLoad(name, bare, true, false, false, language)) {
      p.ports.desktop.MessageBox(
          "Error loading " + name + " from\r\n" + bare +
              "Please open this ZARN Script in a text editor and change the character's path.",
          MessageIcon::kWarning, MessageButtons::kOk, "ZARNPlay");
      return false;
    }
  }

  proc.Step(150, [&] {
    doc.Bookmarks.clear();
    for (const auto& key : KeyList(p, path, "Bookmarks")) {
      if (doc.Bookmarks.size() >= kMaxDocumentListEntries) ThrowOverflow();
      BookmarkEntry entry;
      proc.Step(150, [&] { entry.number = CLng(key); });
      const std::string text = reg.GetProfileSection(path, "BookmarkScript:" + key);
      if (!text.empty()) entry.script = text;
      doc.Bookmarks.push_back(std::move(entry));
    }
  });

  proc.Step(160, [&] {
    doc.MenuName = reg.GetProfile(path, "Commands", "MenuName", std::string());
    doc.Commands.clear();
    for (const auto& key : KeyList(p, path, "Commands")) {
      if (UCase(key) == "MENUNAME") continue;
      if (doc.Commands.size() >= kMaxDocumentListEntries) ThrowOverflow();
      CommandEntry entry;
      entry.id = key;
      const std::string value = reg.GetProfile(path, "Commands", key, std::string());
      const auto cut = value.find("|~|");
      if (!value.empty() && cut != std::string::npos) {
        entry.caption = value.substr(0, cut);
        entry.voice = value.substr(cut + 3);
      }
      entry.script = reg.GetProfileSection(path, "CommandScript:" + key);
      doc.Commands.push_back(std::move(entry));
    }
  });

  proc.Step(170, [&] { p.agent->UpdateAgentCommandsAll(); });
  if (play) proc.Step(180, [&] { p.agent->PlayScript(script, false, false, doc.PowerPointMode); });
  return true;
}

}  // namespace zarn
