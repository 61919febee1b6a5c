#include "core/script/bReadText.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "base/FileMatch.h"
#include "base/TextCodec.h"
#include "base/VbString.h"
#include "base/WinPath.h"
#include "core/agent/CAgent.h"
#include "core/errortrap/bErrorTrap.h"
#include "core/script/ResolveResourcePath.h"
#include "core/shell/Program.h"
#include "core/util/CParser.h"
#include "ports/CharacterServicePort.h"
#include "ports/ClipboardPort.h"
#include "ports/DesktopPort.h"

namespace zarn::bReadText {
namespace {

const char* const kTitle = "ZARNPlay";
const std::string kCrLf = "\r\n";
// The character service's "character not loaded".
constexpr int32_t kCharacterNotLoaded = static_cast<int32_t>(0x80042002u);

std::string SpeakLine(const std::string& name, const std::string& text) {
  return name + ".Speak \"" + text + "\"" + kCrLf;
}

void ShowWarning(Program& p, const std::string& text) {
  p.ports.desktop.MessageBox(text, MessageIcon::kWarning, MessageButtons::kOk, kTitle);
}

}  // namespace

void ReadClipboardAloud(Program& p, const std::string& psCharacter, const std::string& psPrefix) {
  const std::string text = GetClipboardText(p);
  if (!text.empty()) SpeakTextAsScript(p, psCharacter, text, psPrefix);
}

// Own handling: a file that cannot be read is named in a message and
// nothing is spoken.
void ReadTextFileAloud(Program& p, const std::string& psCharacter, const std::string& psFile,
                       const std::string& psPrefix) {
  std::string file = psFile;
  std::string text;
  try {
    std::string temp_name;
    file = ResolveResourcePath(p, file, temp_name);
    // A URL that stayed a URL did not download, and that was reported.
    if (IsDownloadAddress(file)) return;
    if (file.find_first_of("*?") != std::string::npos)
      file = PickRandomFile(p.errors, p.random, file);
    if (file.empty()) {
      ShowWarning(p, "File Not Found.");
      return;
    }
    text = ReadTextLines(file);
  } catch (...) {
    const VbError failure = CurrentFailure(std::current_exception());
    if (failure.Number() == vberr::kPathNotFound) {
      ShowWarning(p, "The specified file for ReadTextFile \r\n" + file + "\r\nnot found.");
    } else {
      ShowWarning(p, std::to_string(failure.Number()) + " : " + failure.Description());
    }
    return;
  }
  p.ports.desktop.DoEvents();
  p.ports.desktop.DoEvents();
  SpeakTextAsScript(p, psCharacter, text, psPrefix);
}

// Every step goes on after a failure; "not loaded" and the animation list
// fail silently, anything else is trapped.
void SpeakTextAsScript(Program& p, const std::string& psCharacter, const std::string& psText,
                       const std::string& psPrefix) {
  ProcedureScope proc{p.errors, "bReadText.SpeakTextAsScript"};
  auto step = [&](int32_t label, auto&& body) {
    try {
      body();
    } catch (...) {
      const VbError failure = CurrentFailure(std::current_exception());
      if (failure.Number() == kCharacterNotLoaded) return;
      proc.Line(label);
      proc.Report(failure);
    }
  };
  CharacterServicePort& characters = p.ports.characters;
  DesktopPort& desktop = p.ports.desktop;

  bool has_processing = false;
  bool has_return = false;
  Silently([&] {
    for (const std::string& animation : characters.AnimationNames(psCharacter)) {
      const std::string upper = UCase(animation);
      if (upper == "PROCESSING") has_processing = true;
      if (upper == "PROCESSINGRETURN") has_return = true;
      if (has_processing && has_return) break;
    }
  });

  std::optional<RequestId> processing;
  if (has_processing) {
    step(10, [&] { processing = characters.Play(psCharacter, "Processing"); });
    desktop.DoEvents();
  }

  std::string script;
  step(20, [&] {
    AppendSpeechScript(
        psCharacter, psText, psPrefix, [&] { desktop.DoEvents(); }, script);
  });

  if (has_processing) {
    // Without the request a stop would end everything the character does.
    if (processing) step(30, [&] { characters.Stop(psCharacter, processing); });
    if (has_return) step(40, [&] { characters.Play(psCharacter, "ProcessingReturn"); });
    desktop.DoEvents();
  }

  if (!script.empty()) {
    step(50, [&] {
      if (!p.agent) ThrowNoObject();
      p.agent->PlayScript(script, false, true, false);
    });
  }
}

void AppendSpeechScript(const std::string& psCharacter, const std::string& psText,
                        const std::string& psPrefix, const std::function<void()>& process_events,
                        std::string& psScript) {
  CParser paragraphs;
  paragraphs.ParseIt(psText, kCrLf + kCrLf);
  for (int32_t i = 1; i <= paragraphs.FieldCount(); ++i) {
    process_events();
    CParser lines;
    lines.ParseIt(paragraphs.Field(i), kCrLf);
    for (int32_t j = 1; j <= lines.FieldCount(); ++j) {
      const std::string line = lines.Field(j);
      if (CharCount(line) <= kPieceLimit) {
        psScript += SpeakLine(psCharacter, psPrefix + line);
        continue;
      }
      process_events();
      CParser sentences;
      sentences.ParseIt(line, ".  ");
      for (int32_t k = 1; k <= sentences.FieldCount(); ++k) {
        process_events();
        // The cut took the full stop away; every sentence gets one back.
        psScript += SpeakLine(psCharacter, psPrefix + sentences.Field(k) + ".");
      }
    }
  }
}

std::string GetClipboardText(Program& p) {
  std::string text;
  if (!Silently([&] {
        if (p.ports.clipboard != nullptr) text = p.ports.clipboard->GetText();
      })) {
    return {};
  }
  // Text copied on Linux ends its lines with a line feed alone.
  return ToCrLf(text);
}

std::string ReadTextLines(const std::string& psFile) {
  const std::optional<std::string> found = FindExisting(psFile);
  if (!found) {
    const std::string folder = SplitWildcardPattern(psFile).folder;
    if (!folder.empty() && !FindExisting(folder)) Throw(vberr::kPathNotFound, "Path not found");
    Throw(vberr::kFileNotFound, "File not found");
  }
  std::error_code error;
  const uintmax_t size = std::filesystem::file_size(*found, error);
  if (!error && size > kMaxTextFileBytes) Throw(vberr::kOutOfMemory, "Out of memory");

  // Text files written on Linux end their lines with a line feed alone.
  std::string lines = ToCrLf(ReadTextFile(*found));
  if (!lines.empty() && !lines.ends_with(kCrLf)) lines += kCrLf;
  return lines;
}

}  // namespace zarn::bReadText
