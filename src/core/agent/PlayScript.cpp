#include <algorithm>
#include <optional>
#include <string_view>

#include "base/VbConvert.h"
#include "base/VbString.h"
#include "core/agent/CAgent.h"
#include "core/agent/ScriptLine.h"
#include "core/agent/SpeechText.h"
#include "core/errortrap/bErrorTrap.h"
#include "core/eval/DateTimeValues.h"
#include "core/eval/EvaluateCoordinate.h"
#include "core/eval/Placement.h"
#include "core/script/GlobalStatements.h"
#include "core/script/ResolveResourcePath.h"
#include "core/shell/Program.h"
#include "core/util/CFile.h"
#include "core/util/CParser.h"
#include "core/util/CReg.h"
#include "core/util/StripEnclosing.h"
#include "core/util/bUserVariables.h"
#include "ports/DesktopPort.h"
#include "ports/EnvironmentPort.h"

namespace zarn {
namespace {

const std::string kCrLf = "\r\n";

// Keeps the part of `text` that `part` views, without a copy.
void KeepPart(std::string& text, std::string_view part) {
  if (part.empty()) {
    text.clear();
    return;
  }
  const auto at = static_cast<size_t>(part.data() - text.data());
  text.erase(at + part.size());
  text.erase(0, at);
}

void CutAfterEquals(std::string& line) {
  const auto eq = line.find('=');
  if (eq != std::string::npos) line.erase(0, eq + 1);
}

}  // namespace

// The state of one run; nested runs have their own.
class ScriptRun {
 public:
  ScriptRun(Program& program, CAgent& agent)
      : program_(program), agent_(agent), proc_{program.errors, "CAgent.PlayScript"} {}

  void Run(const std::string& psScript, bool pbRecursive, bool pbPowerPoint);

 private:
  // Runs one of the interpreter's own steps under the error trap: 4 runs
  // it again, 3 leaves the run, anything else goes on.
  template <class F>
  void Do(int32_t label, F&& step) {
    if (Stopped()) return;
    for (;;) {
      proc_.Line(label);
      try {
        step();
        return;
      } catch (...) {
        const int16_t answer = proc_.Report(CurrentFailure(std::current_exception()));
        if (answer == bErrorTrap::kRetry) continue;
        if (answer == bErrorTrap::kAbort) aborted_ = true;
        return;
      }
    }
  }

  // True once the run was left at the trap, or Close Program was chosen
  // under it (in an event pumped between lines, in a nested run).
  bool Stopped() {
    if (program_.Closed()) aborted_ = true;
    return aborted_;
  }
  std::string Unquoted(const std::string& text) {
    return StripEnclosing(program_.errors, text, "\"");
  }
  bool Prepare(const std::string& psScript, bool pbRecursive, bool pbPowerPoint);
  void Line();
  void CharacterStatement();
  int32_t Coordinate(std::string_view expression);
  // The loaded characters' names, refreshed at every call; the list is kept
  // so that asking once a line costs no allocation.
  const std::vector<std::string>& CharacterNames();

  Program& program_;
  CAgent& agent_;
  ProcedureScope proc_;
  bool aborted_ = false;

  std::string text_;
  std::string line_;
  std::string upper_;
  std::string statement_char_;
  bool request_flag_ = false;
  std::optional<RequestId> saved_request_;
  std::vector<std::string> names_;
};

const std::vector<std::string>& ScriptRun::CharacterNames() {
  const auto& table = agent_.CharacterTable();
  names_.resize(table.size());
  for (size_t i = 0; i < table.size(); ++i) names_[i] = table[i].name;
  return names_;
}

int32_t ScriptRun::Coordinate(std::string_view expression) {
  const double value =
      EvaluateCoordinate(expression, CharacterNames(), ServiceCoordinates(agent_.AgentControl()));
  return CLng(value);
}

bool ScriptRun::Prepare(const std::string& psScript, bool pbRecursive, bool pbPowerPoint) {
  std::string_view kept = psScript;
  Do(10, [&] { kept = StripEnclosingView(program_.errors, psScript, kCrLf); });
  // The one copy of the text this run makes before substituting.
  text_.reserve(kept.size() + kCrLf.size());
  text_.assign(kept);
  if (text_.empty() || agent_.CurrentCharacterIndex() == 0) return false;
  text_ += kCrLf;
  Do(20, [&] { program_.variables.SubstituteVariables(text_); });

  const ScriptDocument& doc = program_.document;
  if (!pbRecursive && pbPowerPoint && !doc.PowerPointFile.empty() && program_.StartSlideshow) {
    std::string resolved;
    Do(30, [&] {
      std::string temp_name;
      resolved = ResolveResourcePath(program_, doc.PowerPointFile, temp_name);
    });
    if (!resolved.empty() && program_.file->FileExists(resolved)) {
      Do(40, [&] { program_.StartSlideshow(resolved, text_); });
      return false;
    }
  }

  Do(50, [&] {
    std::vector<PlacedCharacter> placed;
    for (const auto& entry : agent_.CharacterTable()) {
      placed.push_back({entry.name, entry.width, entry.height});
    }
    text_ =
        SubstitutePlacementNames(text_, placed, program_.ScreenWidthPx, program_.ScreenHeightPx);
  });
  Do(60, [&] {
    // Most scripts have neither: the search spares a copy of the text.
    if (text_.find("  &") != std::string::npos) text_ = ReplaceAll(text_, "  &", " &");
    if (text_.find("&  ") != std::string::npos) text_ = ReplaceAll(text_, "&  ", "& ");
  });
  Do(70, [&] { text_ = SubstituteDateTime(program_.errors, text_, program_.ports.environment); });
  return true;
}

void ScriptRun::Run(const std::string& psScript, bool pbRecursive, bool pbPowerPoint) {
  if (!Prepare(psScript, pbRecursive, pbPowerPoint)) return;

  size_t start = 0;
  while (!Stopped()) {
    const size_t end = text_.find(kCrLf, start);
    if (end == std::string::npos) break;
    line_.assign(text_, start, end - start);
    start = end + kCrLf.size();
    program_.StatementDownloads.clear();
    Line();
  }
  if (Stopped()) return;

  if (program_.document.PowerPointAutoAdvance != 0) {
    Do(200, [&] {
      const std::string& id = agent_.Char();
      if (id.empty()) ThrowNoObject();
      agent_.ReqPowerPointAutoAdvReq = agent_.AgentControl().Get(id, "Animation", "Show", true);
    });
  }
  if (pbRecursive) return;
  Do(210, [&] {
    const std::string& id = agent_.Char();
    if (id.empty()) ThrowNoObject();
    agent_.ReqPlayScriptEnd = agent_.AgentControl().Get(id, "Animation", "Show", true);
  });
}

void ScriptRun::Line() {
  Do(100, [&] { KeepPart(line_, StripEnclosingView(program_.errors, line_, kCrLf)); });
  request_flag_ = false;

  Do(110, [&] {
    request_flag_ = StripSetRequest(line_);
    upper_.assign(line_);
    UCaseInPlace(upper_);
  });

  statement_char_.clear();
  Do(120, [&] {
    statement_char_ = StatementCharacter(line_, CharacterNames());
    if (!statement_char_.empty()) agent_.CharSelect(statement_char_);
  });
  if (Stopped()) return;

  if (statement_char_.empty()) {
    Do(130, [&] { RunGlobalStatement(program_, line_, upper_); });
  } else {
    CharacterStatement();
  }
  if (Stopped()) return;

  if (request_flag_) saved_request_ = agent_.Req;
  if (IsWaitForRequest(line_)) {
    Silently([&] { agent_.WaitForRequest(saved_request_); });
  }
  program_.ports.desktop.DoEvents();
}

void ScriptRun::CharacterStatement() {
  const MemberMatch match = FindCharacterMember(upper_, UCase(statement_char_));
  if (match.member == CharacterMember::kNone) return;
  const std::string_view keyword = match.keyword;

  const size_t after_member = statement_char_.size() + keyword.size();
  auto cut_after_member = [&] { line_.erase(0, std::min(after_member, line_.size())); };
  auto cut_after_equals = [&] { CutAfterEquals(line_); };

  switch (match.member) {
    case CharacterMember::kShow:
      cut_after_member();
      Do(300, [&] { agent_.CharShow(CReg::TrueFalse(Unquoted(line_))); });
      break;
    case CharacterMember::kHide:
      cut_after_member();
      Do(310, [&] { agent_.CharHide(CReg::TrueFalse(Unquoted(line_))); });
      break;
    case CharacterMember::kSpeak:
      cut_after_member();
      Do(320, [&] { agent_.CharSpeak(UnescapeQuotes(program_.errors, Unquoted(line_)), ""); });
      break;
    case CharacterMember::kThink:
      cut_after_member();
      Do(330, [&] { agent_.CharThink(UnescapeQuotes(program_.errors, Unquoted(line_))); });
      break;
    case CharacterMember::kPlay:
      cut_after_member();
      Do(340, [&] { agent_.CharPlay(Unquoted(line_)); });
      break;
    case CharacterMember::kMoveTo: {
      cut_after_member();
      if (line_.find(',') == std::string::npos) break;
      CParser fields(&program_.ports.desktop);
      fields.ParseIt(line_, ",");
      int32_t x = 0, y = 0, speed = -1;
      Do(350, [&] { x = Coordinate(fields.Field(1)); });
      Do(360, [&] { y = Coordinate(fields.Field(2)); });
      if (fields.FieldCount() > 2) Do(370, [&] { speed = Coordinate(fields.Field(3)); });
      Do(380, [&] { agent_.CharMoveTo(x, y, speed); });
      break;
    }
    case CharacterMember::kGestureAt: {
      cut_after_member();
      const auto comma = line_.find(',');
      if (comma == std::string::npos) break;
      int32_t x = 0, y = 0;
      Do(390, [&] { x = Coordinate(std::string_view(line_).substr(0, comma)); });
      Do(400, [&] { y = Coordinate(std::string_view(line_).substr(comma + 1)); });
      Do(410, [&] { agent_.CharGestureAt(x, y); });
      break;
    }
    case CharacterMember::kBalloonFontName:
      cut_after_equals();
      Do(420, [&] { agent_.CharSetBalloonFontName(Unquoted(line_)); });
      break;
    case CharacterMember::kBalloonFontSize:
      cut_after_equals();
      Do(430, [&] { agent_.CharSetBalloonFontSize(Unquoted(line_)); });
      break;
    case CharacterMember::kBalloonStyle:
      cut_after_equals();
      Do(440, [&] { agent_.CharSetBalloonStyle(Unquoted(line_)); });
      break;
    case CharacterMember::kTTSModeID:
      cut_after_equals();
      Do(450, [&] { agent_.CharSetTTSModeID(Unquoted(line_)); });
      break;
    case CharacterMember::kListen: {
      const auto blank = line_.find(' ');
      if (blank != std::string::npos) line_.erase(0, blank + 1);
      Do(460, [&] { agent_.CharListen(line_); });
      break;
    }
    case CharacterMember::kWidth:
      cut_after_equals();
      line_ = Trim(line_);
      Do(470, [&] { agent_.CharSetWidth(line_); });
      break;
    case CharacterMember::kHeight:
      cut_after_equals();
      line_ = Trim(line_);
      Do(480, [&] { agent_.CharSetHeight(line_); });
      break;
    case CharacterMember::kNone:
      break;
    case CharacterMember::kStopAll:
      Silently([&] { agent_.AgentControl().StopAll(agent_.Char(), std::nullopt); });
      break;
  }
}

void CAgent::PlayScript(const std::string& psScript, bool, bool pbRecursive, bool pbPowerPoint) {
  // The scripts of a document are the document's: a bookmark's script from
  // a downloaded file is as untrusted as the file.
  struct NetworkRun {
    int& runs;
    bool counted;
    ~NetworkRun() {
      if (counted) --runs;
    }
  } network{program_.NetworkScriptRuns, program_.document.FromNetwork};
  if (network.counted) ++program_.NetworkScriptRuns;
  ScriptRun run(program_, *this);
  run.Run(psScript, pbRecursive, pbPowerPoint);
}

}  // namespace zarn
