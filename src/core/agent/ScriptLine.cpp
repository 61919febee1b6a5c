#include "core/agent/ScriptLine.h"

#include <iterator>

#include "base/VbString.h"

namespace zarn {
namespace {

struct Member {
  std::string_view keyword;
  CharacterMember member;
};

// Tested in this order: ".BALLOON.FONTNAME" must not be taken for ".SHOW".
constexpr Member kMembers[] = {
    {".SHOW", CharacterMember::kShow},
    {".HIDE", CharacterMember::kHide},
    {".SPEAK", CharacterMember::kSpeak},
    {".THINK", CharacterMember::kThink},
    {".PLAY", CharacterMember::kPlay},
    {".MOVETO", CharacterMember::kMoveTo},
    {".GESTUREAT", CharacterMember::kGestureAt},
    {".BALLOON.FONTNAME", CharacterMember::kBalloonFontName},
    {".BALLOON.FONTSIZE", CharacterMember::kBalloonFontSize},
    {".BALLOON.STYLE", CharacterMember::kBalloonStyle},
    {".TTSMODEID", CharacterMember::kTTSModeID},
    {".LISTEN", CharacterMember::kListen},
    {".WIDTH", CharacterMember::kWidth},
    {".HEIGHT", CharacterMember::kHeight},
    {".STOPALL", CharacterMember::kStopAll},
};

}  // namespace

std::string StripSetRequest(const std::string& line, bool& marked) {
  marked = false;
  if (RemoveBlanks(UCase(line)).rfind("SETREQ=", 0) != 0) return line;
  std::string rest = Trim(line.substr(line.find('=') + 1));
  const auto paren = rest.find('(');
  if (paren != std::string::npos) rest[paren] = ' ';
  if (!rest.empty() && rest.back() == ')') {
    rest.pop_back();
    rest = Trim(rest);
  }
  marked = true;
  return rest;
}

bool IsWaitForRequest(const std::string& line) {
  const std::string wait = RemoveBlanks(UCase(line));
  return wait == "WAITFORREQ" || wait == "WAITFOR(REQ)";
}

std::string StatementCharacter(const std::string& line, const std::vector<std::string>& names) {
  std::string found;
  if (line.find('.') == std::string::npos) return found;
  for (const auto& name : names) {
    const std::string prefix = UCase(name) + ".";
    if (UCase(line.substr(0, prefix.size())) == prefix) found = name;
  }
  return found;
}

MemberMatch FindCharacterMember(std::string_view upper_line, std::string_view upper_character) {
  for (const auto& m : kMembers) {
    std::string probe(upper_character);
    probe += m.keyword;
    if (upper_line.find(probe) != std::string_view::npos) return {m.member, m.keyword};
  }
  return {};
}

std::vector<std::string_view> CharacterMemberKeywords() {
  std::vector<std::string_view> out;
  for (const auto& m : kMembers) out.push_back(m.keyword);
  return out;
}

}  // namespace zarn
