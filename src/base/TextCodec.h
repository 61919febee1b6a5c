#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zarn {

// Text inside the program is UTF-8. Files written on Windows are usually
// Windows-1252; a file that is already valid UTF-8 is kept as it is, and
// one that is UTF-8 but for a few stray bytes keeps its UTF-8 (only the
// stray bytes are read as Windows-1252). UTF-16 with a byte-order mark is
// read as UTF-16; a UTF-8 byte-order mark is dropped.
std::string DecodeText(std::string_view bytes);

bool IsValidUtf8(std::string_view bytes);

// Reads a whole file and decodes it. Throws VbError 53 when the file is
// missing, 75 for a folder or a file that cannot be read.
std::string ReadTextFile(const std::string& path);

// Number of characters (code points) in UTF-8 text.
size_t CharCount(std::string_view utf8);

// The first `chars` characters, never cutting a character in two.
std::string Utf8Left(std::string_view utf8, size_t chars);

// Byte length of the first `chars` characters.
size_t Utf8PrefixBytes(std::string_view utf8, size_t chars);

// For single-byte files: characters outside Windows-1252 become '?'.
std::string ToWindows1252(std::string_view utf8);

// Decodes one code point at `pos` and advances it; an invalid sequence
// yields the byte itself as a negative number and advances by one.
int32_t NextCodePoint(std::string_view utf8, size_t& pos);

void AppendUtf8(std::string& out, uint32_t code_point);

// Every line end (LF as Linux writes it, CR LF, or a lone CR) as CR LF.
std::string ToCrLf(std::string_view text);

}  // namespace zarn
