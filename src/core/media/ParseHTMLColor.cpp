#include "core/media/ParseHTMLColor.h"

#include "ports/DesktopPort.h"

namespace zarn::bBackdrop {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

uint32_t ParseHTMLColor(std::string_view text, const ColorMessage& show_message) {
  std::string work(text);
  for (char& c : work) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  if (work.starts_with('#')) work.erase(0, 1);
  if (work.starts_with("&H")) work.erase(0, 2);
  while (work.size() <= 5) work += '0';
  // RRGGBB becomes BBGGRR; anything past six characters is dropped.
  work = work.substr(work.size() - 2) + work.substr(2, 2) + work.substr(0, 2);

  uint32_t value = 0;
  for (char c : work) {
    const int digit = HexDigit(c);
    if (digit < 0) {
      if (show_message) {
        show_message("'" + work + "' is an invalid color.\r\n\r\n" +
                     "Colors are specified using HTML format like #FF0000 for Red and #0000FF "
                     "for Blue, etc.");
      }
      return 0;
    }
    value = value << 4 | static_cast<uint32_t>(digit);
  }
  return value;
}

uint32_t ParseHTMLColor(std::string_view text, DesktopPort& desktop, const std::string& title) {
  return ParseHTMLColor(text, [&](const std::string& message) {
    desktop.MessageBox(message, MessageIcon::kWarning, MessageButtons::kOk, title);
  });
}

}  // namespace zarn::bBackdrop
