// libFuzzer target over the line interpreter's text work, without a running
// program: a script text gets its variables, placement names and date
// values put in, is cut into lines, and each line is taken apart as a
// global statement and as the argument of a character statement. Nothing a
// line is cut into may be longer than the line, and nothing may reach the
// error trap.

#include <cstddef>
#include <cstdint>
#include <locale>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "FuzzTrap.h"
#include "base/VbString.h"
#include "core/agent/SpeechText.h"
#include "core/eval/DateTimeValues.h"
#include "core/eval/Placement.h"
#include "core/script/GlobalStatements.h"
#include "core/util/CParser.h"
#include "core/util/StripEnclosing.h"
#include "core/util/bUserVariables.h"

namespace {

using namespace zarn;
using fuzz::Check;

const std::string kCrLf = "\r\n";
// Lines taken apart per input; a long script is the same work again.
constexpr int kMaxLines = 256;

// The one place the variable store is used: a fixed set of script
// variables (some that name each other) and a fixed environment.
fuzz::TrapWatch& Trap() {
  static fuzz::TrapWatch trap;
  return trap;
}

void SubstituteVariables(std::string& text) {
  static bUserVariables::Store store = [] {
    bUserVariables::Store made(Trap().errors, [] {
      return std::vector<std::string>{"HOME=/home/pip", "=C:=C:\\", "PATH=/bin", "NOEQ"};
    });
    made.AddVariable("Script", "Name", "Pip");
    made.AddVariable("Script", "Greeting", "Hello %Name%, %UNKNOWN%");
    made.AddVariable("Script", "Self", "%Self%%Self%");
    made.AddVariable("Script", "Pct", "%");
    made.AddVariable("Script", "a%b", "split");
    made.AddVariable("Command", "name", "second");
    return made;
  }();
  store.SubstituteVariables(text);
}

void CheckPart(const std::string& part, const std::string& line, const char* what) {
  Check(part.size() <= line.size(), what);
}

// What the interpreter does to a line that addresses no character.
void GlobalLine(const std::string& line) {
  const std::string upper = UCase(line);
  Check(upper.size() == line.size(), "upper case changed the length");
  const GlobalStatement s = ParseGlobalStatement(Trap().errors, line, upper);
  CheckPart(s.argument, line, "statement argument longer than its line");
  CheckPart(s.character, line, "statement character longer than its line");
  CheckPart(s.prefix, line, "statement prefix longer than its line");
  CheckPart(s.rest, line, "statement rest longer than its line");
}

// The argument handling of the character statements.
void CharacterLine(const std::string& line) {
  const size_t eq = line.find('=');
  const std::string after = eq == std::string::npos ? line : line.substr(eq + 1);
  const std::string unquoted = StripEnclosing(Trap().errors, after, "\"");
  CheckPart(unquoted, line, "unquoted argument longer than its line");
  const std::string speech = UnescapeQuotes(Trap().errors, unquoted);
  CheckPart(speech, line, "unescaped speech longer than its line");
  Check(CollapseQuoteRuns(Trap().errors, line).find("\"\"") == std::string::npos,
        "a quote run survived");
  CheckPart(TrimQuotes(Trap().errors, line), line, "trimmed text longer than its line");
  ProtectProductWord(speech);
  std::string text, sound;
  if (SplitSpeechAndSound(Trap().errors, line, text, sound)) {
    Check(text.size() + sound.size() <= line.size(), "speech and sound longer than the line");
  }
  CParser fields;
  fields.ParseIt(after, ",");
  size_t total = 0;
  for (int32_t i = 1; i <= fields.FieldCount(); ++i) total += fields.Field(i).size();
  Check(total <= after.size(), "fields longer than their text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Trap();
  std::string text = StripEnclosing(Trap().errors, fuzz::AsText(data, size), kCrLf);
  if (text.empty()) return 0;
  text += kCrLf;

  const std::string before = text;
  SubstituteVariables(text);
  if (before.find('%') == std::string::npos) Check(text == before, "text without % changed");

  const std::vector<PlacedCharacter> table = {
      {"Pip", 128, 128}, {"Merlin", 2147483647, -2147483647 - 1}, {"P", 0, 0}};
  text = SubstitutePlacementNames(text, table, 1024, 768);
  text = ReplaceAll(ReplaceAll(text, "  &", " &"), "&  ", "& ");
  const LocalTime now{2026, 3, 21, 13, 5, 0, 6};
  text = SubstituteDateTime(Trap().errors, text, now, std::locale::classic());

  size_t start = 0;
  for (int lines = 0; lines < kMaxLines; ++lines) {
    const size_t end = text.find(kCrLf, start);
    if (end == std::string::npos) break;
    const std::string line = StripEnclosing(Trap().errors, text.substr(start, end - start), kCrLf);
    start = end + kCrLf.size();
    GlobalLine(line);
    CharacterLine(line);
  }
  return 0;
}
