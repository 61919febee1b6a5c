// libFuzzer target over colour parsing. Any text gives a 24-bit colour; the
// invalid-colour message comes exactly when the result is black for want
// of hex digits, and a colour written back as #RRGGBB reads the same.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "FuzzSupport.h"
#include "core/media/ParseHTMLColor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zarn;
  using fuzz::Check;
  int messages = 0;
  const auto count = [&](const std::string& text) {
    Check(!text.empty(), "an empty message");
    ++messages;
  };
  const uint32_t colour = bBackdrop::ParseHTMLColor(fuzz::AsText(data, size), count);
  Check(colour <= 0xFFFFFF, "colour wider than 24 bits");
  Check(messages <= 1, "more than one message");
  if (messages == 1) Check(colour == 0, "a message but not black");

  // Blue-green-red back to the HTML order.
  char html[8];
  std::snprintf(html, sizeof html, "#%02X%02X%02X", colour & 0xFF, (colour >> 8) & 0xFF,
                colour >> 16);
  Check(bBackdrop::ParseHTMLColor(html, count) == colour, "written colour reads differently");
  Check(messages <= 1, "a written colour is refused");
  return 0;
}
