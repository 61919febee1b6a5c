#pragma once

#include <string>

namespace zarn {

struct Program;

// Reading the clipboard or text files aloud with a character; psPrefix goes
// in front of every piece of text spoken (typically speech tags).
namespace bReadText {

void ReadClipboardAloud(Program& program, const std::string& psCharacter,
                        const std::string& psPrefix);
// psFile may hold wildcards.
void ReadTextFileAloud(Program& program, const std::string& psCharacter, const std::string& psFile,
                       const std::string& psPrefix);

}  // namespace bReadText
}  // namespace zarn
