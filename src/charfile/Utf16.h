#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zarn::charfile {

// UTF-16LE bytes to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16LeToUtf8(const uint8_t* bytes, size_t units);
// UTF-8 to UTF-16 code units; invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace zarn::charfile
