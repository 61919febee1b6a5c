#pragma once

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
  bool operator==(const VoiceCommand&) const = default;
};

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

// The service's own commands while `character_names` are loaded.
std::vector<VoiceCommand> GlobalVoiceCommands(const std::vector<std::string>& character_names);

}  // namespace zarn
