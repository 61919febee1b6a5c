#include "script/bReadText.h"

#include "platform/Trace.h"
#include "shell/Program.h"

// Placeholder reading: records what would be read until reading is built.
namespace zarn::bReadText {

void ReadClipboardAloud(Program& p, const std::string& psCharacter, const std::string& psPrefix) {
  p.ports.trace.Write(
      TraceRecord("life", "ReadAloud").Arg("clipboard").Arg(psCharacter).Arg(psPrefix));
}

void ReadTextFileAloud(Program& p, const std::string& psCharacter, const std::string& psFile,
                       const std::string& psPrefix) {
  p.ports.trace.Write(
      TraceRecord("life", "ReadAloud").Arg("file").Arg(psCharacter).Arg(psFile).Arg(psPrefix));
}

}  // namespace zarn::bReadText
