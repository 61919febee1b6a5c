#include "core/agent/ScriptLine.h"

#include <iterator>
#include <utility>

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

// True when the line, blanks left out, starts with `upper` (capitals and
// signs only), letters in any case: folding would change no other byte of
// such a start.
bool StartsWithWord(std::string_view line, std::string_view upper, bool whole) {
  size_t next = 0;
  for (char ch : line) {
    if (ch == ' ') continue;
    if (next == upper.size()) return !whole;
    const char want = upper[next++];
    if (ch != want && !(want >= 'A' && want <= 'Z' && ch == want + 32)) return false;
  }
  return next == upper.size();
}

// Every place of every keyword, in order.
MemberMatch FindCharacterMemberSlowly(std::string_view upper_line,
                                      std::string_view upper_character) {
  for (const auto& m : kMembers) {
    for (size_t at = upper_line.find(m.keyword); at != std::string_view::npos;
         at = upper_line.find(m.keyword, at + 1)) {
      if (at >= upper_character.size() &&
          upper_line.substr(at - upper_character.size(), upper_character.size()) ==
              upper_character) {
        return {m.member, m.keyword};
      }
    }
  }
  return {};
}

}  // namespace

bool StripSetRequest(std::string& line) {
  if (!StartsWithWord(line, "SETREQ=", false)) return false;
  std::string rest = Trim(std::string_view(line).substr(line.find('=') + 1));
  const auto paren = rest.find('(');
  if (paren != std::string::npos) rest[paren] = ' ';
  if (!rest.empty() && rest.back() == ')') {
    rest.pop_back();
    rest = Trim(rest);
  }
  line = std::move(rest);
  return true;
}

bool IsWaitForRequest(const std::string& line) {
  return StartsWithWord(line, "WAITFORREQ", true) || StartsWithWord(line, "WAITFOR(REQ)", true);
}

std::string StatementCharacter(const std::string& line, const std::vector<std::string>& names) {
  std::string found;
  if (line.find('.') == std::string::npos) return found;
  const std::string_view text = line;
  for (const auto& name : names) {
    // A dot never folds, nor changes how the bytes before it fold.
    if (text.size() > name.size() && text[name.size()] == '.' &&
        EqualsNoCase(text.substr(0, name.size()), name)) {
      found = name;
    }
  }
  return found;
}

MemberMatch FindCharacterMember(std::string_view upper_line, std::string_view upper_character) {
  // Where a keyword may start: right after the name, wherever it is (the
  // line start nearly always). Every keyword starts with a dot.
  if (upper_character.empty()) return FindCharacterMemberSlowly(upper_line, upper_character);
  size_t after[8];
  size_t count = 0;
  for (size_t at = upper_line.find(upper_character); at != std::string_view::npos;
       at = upper_line.find(upper_character, at + 1)) {
    const size_t end = at + upper_character.size();
    if (end < upper_line.size() && upper_line[end] == '.') {
      if (count == std::size(after)) return FindCharacterMemberSlowly(upper_line, upper_character);
      after[count++] = end;
    }
  }
  for (const auto& m : kMembers) {
    for (size_t i = 0; i < count; ++i) {
      if (upper_line.compare(after[i], m.keyword.size(), m.keyword) == 0)
        return {m.member, m.keyword};
    }
  }
  return {};
}

std::vector<std::string_view> CharacterMemberKeywords() {
  std::vector<std::string_view> out;
  for (const auto& m : kMembers) out.push_back(m.keyword);
  return out;
}

}  // namespace zarn
