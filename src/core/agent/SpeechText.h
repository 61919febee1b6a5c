#pragma once

#include <string>
#include <string_view>

namespace zarn {

namespace bErrorTrap {
class Trap;
}

// Quote handling of speech and thought text: runs of double quotes written
// to escape a quote in a script shrink ("" to ", """" to "").
std::string UnescapeQuotes(bErrorTrap::Trap& errors, std::string_view psText);
// Every run of double quotes becomes one.
std::string CollapseQuoteRuns(bErrorTrap::Trap& errors, std::string_view psText);
// Blanks off, one enclosing quote off each end, blanks off again.
std::string TrimQuotes(bErrorTrap::Trap& errors, std::string_view psText);

// The product word is spoken as a name while the balloon shows it in
// capitals, when it stands as a word somewhere in the text.
std::string ProtectProductWord(const std::string& psText);

// Splits a .Speak argument `"text", "sound file"` into its two parts; false
// when it holds no quote-comma-quote separator.
bool SplitSpeechAndSound(bErrorTrap::Trap& errors, const std::string& psText, std::string& text,
                         std::string& sound);

}  // namespace zarn
