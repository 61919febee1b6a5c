// libFuzzer target over a command's voice text (a script's [Commands] value
// after "|~|"): parsing either succeeds or says why; a grammar is built
// from whatever parsed, and matching its own words never fails.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "platform/listen/VoiceGrammar.h"

using namespace zarn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(fuzz::AsText(data, size));
  const ParsedVoice parsed = ParseVoice(text);
  std::vector<VoiceCommand> commands = GlobalVoiceCommands({"Pip"});
  commands.push_back({"fuzzed", text});
  const VoiceGrammar grammar =
      BuildVoiceGrammar(commands, [](const std::string& word) { return word.size() < 20; });
  fuzz::Check(grammar.parsed.size() == grammar.included.size(), "one parse per included command");
  // The words of the text, heard back.
  std::vector<std::string> words;
  std::string word;
  for (char c : text) {
    if (c == ' ') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  if (words.size() > 64) words.resize(64);
  if (parsed.error.empty()) MatchesVoice(parsed.choice, words);
  return 0;
}
