#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace zarn {

class DesktopPort;

namespace bBackdrop {

// Shows the invalid-colour text modally (warning icon, OK, program title).
using ColorMessage = std::function<void(const std::string& text)>;

// "#RRGGBB", "RRGGBB" or "&HRRGGBB" (any letter case, short texts padded
// with zeros) to a blue-green-red colour value. A text with a non-hex digit
// shows the message and gives 0 (black).
uint32_t ParseHTMLColor(std::string_view text, const ColorMessage& show_message);
uint32_t ParseHTMLColor(std::string_view text, DesktopPort& desktop, const std::string& title);

}  // namespace bBackdrop
}  // namespace zarn
