#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <string>

namespace zarn {

struct Program;

namespace bErrorTrap {
class Trap;
}

// Reading the clipboard or text files aloud with a character: the text is
// cut into paragraphs, lines and, for long lines, sentences, and spoken as
// a generated script of Speak lines. psPrefix goes in front of every piece
// (typically speech tags).
namespace bReadText {

// A line longer than this is cut into sentences.
inline constexpr size_t kPieceLimit = 500;
// Larger files are refused rather than read into memory.
inline constexpr uintmax_t kMaxTextFileBytes = uintmax_t{32} << 20;

void ReadClipboardAloud(Program& program, const std::string& psCharacter,
                        const std::string& psPrefix);
// psFile has been resolved once already and may hold wildcards.
void ReadTextFileAloud(Program& program, const std::string& psCharacter, const std::string& psFile,
                       const std::string& psPrefix);
void SpeakTextAsScript(Program& program, const std::string& psCharacter, const std::string& psText,
                       const std::string& psPrefix);

// The clipboard's plain text with every line ending as CR LF; empty when
// there is none or it cannot be read.
std::string GetClipboardText(Program& program);

// A text file as lines, each followed by CR LF: CR or CR LF ends a line, a
// line feed alone does not. Decoded from UTF-8 or Windows-1252. Throws
// VbError 53 for a missing file, 76 when its folder is missing, 7 for a
// file over kMaxTextFileBytes.
std::string ReadTextLines(const std::string& psFile);

// Appends to psScript one `Name.Speak "prefix piece"` line per piece of
// psText; process_events runs where the program lets pending events through.
void AppendSpeechScript(const std::string& psCharacter, const std::string& psText,
                        const std::string& psPrefix, const std::function<void()>& process_events,
                        std::string& psScript);

// The program's source of random picks: one generator, as scripts expect
// of a random pick. Unseeded, it starts from the clock and the system's
// entropy; a seed (--seed) fixes the sequence.
class RandomSource {
 public:
  RandomSource();
  explicit RandomSource(uint32_t seed) : engine_(seed) {}
  void Seed(uint32_t seed) { engine_.seed(seed); }

  // A whole number from piLow to piHigh inclusive, uniformly; 0 when the
  // result would not fit.
  int32_t RandomBetween(int32_t piLow, int32_t piHigh);

 private:
  std::mt19937_64 engine_;
};

// One of the files the pattern matches, chosen uniformly, joined to the
// pattern's folder part; the pattern itself when nothing matches.
std::string PickRandomFile(bErrorTrap::Trap& errors, RandomSource& random,
                           const std::string& psPattern);

}  // namespace bReadText
}  // namespace zarn
