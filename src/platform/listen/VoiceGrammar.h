#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zarn {

// One item of a command's voice text: a word, "..." (any words), or a
// bracketed group of alternatives, each possibly repeated.
struct VoiceItem {
  enum class Kind { kWord, kAnyWords, kOptional, kGroup };
  Kind kind = Kind::kWord;
  std::string word;                                  // lower case, kWord only
  std::vector<std::vector<VoiceItem>> alternatives;  // kOptional, kGroup
  bool repeat = false;                               // '*' or '+'
  bool may_skip = false;                             // '*' or [..]
};

// A whole voice text: alternatives of item sequences.
using VoiceChoice = std::vector<std::vector<VoiceItem>>;

struct ParsedVoice {
  VoiceChoice choice;
  std::string error;  // empty when the text parsed
};

// Reads the voice grammar: words, [optional], (a | b), x* and x+, "...",
// and word\pronunciation (the word is kept). Bracket mistakes are errors.
ParsedVoice ParseVoice(const std::string& voice);

// What a recognizer can listen for.
struct VoiceCommand {
  std::string name;  // empty for the service's own (global) commands
  std::string voice;
  // A best match at or below `confidence` shows `confidence_text` (or
  // kNotUnderstood) in the Listening Tip instead of what was heard.
  int32_t confidence = 0;
  std::string confidence_text{};
  bool operator==(const VoiceCommand&) const = default;
};

inline constexpr const char* kNotUnderstood = "Didn't understand your request";

struct VoiceGrammar {
  std::string jsgf;                 // empty when no command can be said
  std::vector<size_t> included;     // indexes into the commands given
  std::vector<VoiceChoice> parsed;  // per included command
  std::vector<std::string> notes;   // why commands were left out
};

// Builds one JSGF grammar out of the commands' voice texts. A command whose
// text does not parse, or that uses a word `known` rejects, is left out with
// a note; "..." becomes a loop over the words of the other commands.
VoiceGrammar BuildVoiceGrammar(const std::vector<VoiceCommand>& commands,
                               const std::function<bool(const std::string&)>& known);

// Whether the heard words are a phrase of the voice text.
bool MatchesVoice(const VoiceChoice& choice, const std::vector<std::string>& words);

// The service's own commands while `character_names` are loaded: these
// first, then one per name (which shows that character).
enum class GlobalCommand { kOpenCommands, kCloseCommands, kHide, kGlobalCommands, kCharacter };
std::vector<VoiceCommand> GlobalVoiceCommands(const std::vector<std::string>& character_names);

}  // namespace zarn
