#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zarn {

// How a script line is read before it runs; the player and the checker
// read lines the same way.

// "SetReq = Pip.Play(Wave)" marks the request to wait for: the line becomes
// "Pip.Play Wave" and the answer is true. Other lines stay as they are.
bool StripSetRequest(std::string& line);

// True for the two forms of the wait statement.
bool IsWaitForRequest(const std::string& line);

// The character a line addresses ("Name." at its start, ignoring case; the
// last matching name wins), or empty.
std::string StatementCharacter(const std::string& line, const std::vector<std::string>& names);

enum class CharacterMember {
  kNone,
  kShow,
  kHide,
  kSpeak,
  kThink,
  kPlay,
  kMoveTo,
  kGestureAt,
  kBalloonFontName,
  kBalloonFontSize,
  kBalloonStyle,
  kTTSModeID,
  kListen,
  kWidth,
  kHeight,
  kStopAll,
};

struct MemberMatch {
  CharacterMember member = CharacterMember::kNone;
  std::string_view keyword;  // ".SHOW" ...
};

// The first member keyword, in their fixed order, found anywhere in the
// upper-cased line after the upper-cased character name.
MemberMatch FindCharacterMember(std::string_view upper_line, std::string_view upper_character);

// Every member keyword, for telling an unknown character from a typo.
std::vector<std::string_view> CharacterMemberKeywords();

}  // namespace zarn
