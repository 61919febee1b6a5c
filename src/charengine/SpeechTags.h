#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

// Speech output tags (`\Spd=150\`, `\Mrk=3\`, `\Map="a"="b"\` ...) inside
// Speak text. Tag names ignore case; blanks inside a tag make it unknown.
enum class SpeechTagKind {
  kChr,  // voice character: Normal, Monotone, Whisper
  kCtx,  // text context: Address, E-mail, Unknown
  kEmp,  // stress the next word
  kLst,  // repeat the last utterance; must stand alone
  kMap,  // speak one text, show another
  kMrk,  // bookmark
  kPau,  // pause, milliseconds
  kPit,  // base pitch, hertz
  kRst,  // reset every setting
  kSpd,  // speed, words per minute
  kVol,  // volume 0..65535
  // Older engine tags that are recognised and passed on to engines that
  // know them: Com, Dem, Eng, Pra, Prn, Pro, Prt, RmS, RmW, RPit, RPrn,
  // RSpd, Vce.
  kEngineSpecific,
  kUnknown,  // any other \...\ sequence: kept out of the balloon, no effect
};

struct SpeechTag {
  SpeechTagKind kind = SpeechTagKind::kUnknown;
  std::string name;  // as written
  std::string raw;   // everything between the two backslashes
  // False when the parameter does not fit the tag (then it has no effect).
  bool valid = true;
  std::optional<int64_t> number;  // Mrk, Pau, Pit, Spd, Vol
  std::string text;               // Chr and Ctx value; Map spoken text
  std::string shown;              // Map balloon text
};

// Text runs and tags in the order written. A queued request keeps its
// items until it plays, so the rare tag is held apart and shared by copies:
// a plain run stays small.
struct SpeechItem {
  std::string text;  // literal text (a doubled backslash already made single)
  std::shared_ptr<const SpeechTag> tag;
};

std::vector<SpeechItem> ParseSpeechTags(std::string_view text);

// `|` separates alternatives, one of which is spoken each time.
std::vector<std::string> SplitAlternatives(std::string_view text);

// The text to speak: literal text plus each Map's spoken part.
std::string SpokenText(const std::vector<SpeechItem>& items);
// The text for the balloon: literal text plus each Map's shown part.
std::string BalloonText(const std::vector<SpeechItem>& items);

}  // namespace zarn
