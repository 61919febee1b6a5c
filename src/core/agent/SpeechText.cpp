#include "core/agent/SpeechText.h"

#include "base/VbString.h"
#include "core/errortrap/bErrorTrap.h"

namespace zarn {
namespace {

const std::string kProductWord = "ZARN";
const std::string kProductTag = "\\Map=\"Zarn\"=\"ZARN\"\\";

// Drops the blanks after (or before) every quote, as replacing `" ` (or
// ` "`) by `"` until none is left would, in one pass: a long run of blanks
// would otherwise cost one pass over the text per blank.
std::string DropBlanksAfterQuotes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == ' ' && !out.empty() && out.back() == '"') continue;
    out += c;
  }
  return out;
}

std::string DropBlanksBeforeQuotes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t blanks = 0;
  for (char c : text) {
    if (c == ' ') {
      ++blanks;
      continue;
    }
    if (c != '"') out.append(blanks, ' ');
    blanks = 0;
    out += c;
  }
  out.append(blanks, ' ');
  return out;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

}  // namespace

std::string UnescapeQuotes(bErrorTrap::Trap& errors, std::string_view psText) {
  ProcedureScope proc{errors, "CAgent.UnescapeQuotes"};
  std::string text(psText);
  // Without quotes or NULs every step below keeps the text.
  if (text.find_first_of(std::string_view("\"\0", 2)) == std::string::npos) return text;
  proc.Step(10, [&] { text = ReplaceAll(text, "\"\"\"\"", std::string("\"\0\0\"", 4)); });
  proc.Step(20, [&] { text = CollapseQuoteRuns(errors, text); });
  proc.Step(30, [&] { text = ReplaceAll(text, std::string(2, '\0'), ""); });
  return text;
}

std::string CollapseQuoteRuns(bErrorTrap::Trap& errors, std::string_view psText) {
  ProcedureScope proc{errors, "CAgent.CollapseQuoteRuns"};
  std::string result;
  proc.Step(10, [&] {
    result.reserve(psText.size());
    for (size_t i = 0; i < psText.size(); ++i) {
      if (psText[i] == '"' && i + 1 < psText.size() && psText[i + 1] == '"') continue;
      result += psText[i];
    }
  });
  return result;
}

std::string TrimQuotes(bErrorTrap::Trap& errors, std::string_view psText) {
  ProcedureScope proc{errors, "CAgent.TrimQuotes"};
  std::string text(psText);
  proc.Step(10, [&] {
    text = Trim(text);
    if (!text.empty() && text.front() == '"') text.erase(0, 1);
    if (!text.empty() && text.back() == '"') text.pop_back();
    text = Trim(text);
  });
  return text;
}

std::string ProtectProductWord(const std::string& psText) {
  const std::string_view t = psText;
  const bool stands_alone = t.find(" ZARN ") != std::string_view::npos ||
                            t.substr(0, 5) == "ZARN " || EndsWith(t, " ZARN") ||
                            EndsWith(t, " ZARN.") || EndsWith(t, " ZARN!") || EndsWith(t, " ZARN?");
  return stands_alone ? ReplaceAll(psText, kProductWord, kProductTag) : psText;
}

bool SplitSpeechAndSound(bErrorTrap::Trap& errors, const std::string& psText, std::string& text,
                         std::string& sound) {
  // Both forms of a sound need a quote; blanks are all the steps drop.
  if (psText.find('"') == std::string::npos) return false;
  std::string w = Trim(psText);
  w = DropBlanksBeforeQuotes(DropBlanksAfterQuotes(w));
  if (w.rfind(",\"", 0) == 0) w = "\"\"" + w;
  const auto separator = w.find("\",\"");
  if (separator == std::string::npos) return false;
  text = TrimQuotes(errors, w.substr(0, separator));
  sound = TrimQuotes(errors, w.substr(separator + 3));
  return true;
}

}  // namespace zarn
