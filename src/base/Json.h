#pragma once

#include <string>

namespace zarn {

// Appends `text` as a JSON string, quotes included; bytes from 0x80 up
// are copied as they are (the text is UTF-8).
void AppendJsonString(std::string& out, const std::string& text);

}  // namespace zarn
