#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/media/ParseHTMLColor.h"

namespace zarn::bBackdrop {
namespace {

TEST(ParseHTMLColor, ReadsRedGreenBlueIntoBlueGreenRed) {
  struct Case {
    const char* text;
    uint32_t bgr;
  };
  const Case cases[] = {
      {"#ff8000", 0x0080FF},
      {"FF8000", 0x0080FF},
      {"&HFF8000", 0x0080FF},
      {"&hff8000", 0x0080FF},
      {"#&HFF8000", 0x0080FF},
      {"#FF0000", 0x0000FF},
      {"#0000FF", 0xFF0000},
      {"#00FF00", 0x00FF00},
      {"#F", 0x0000F0},
      {"", 0x000000},
      {"#", 0x000000},
      {"12345", 0x503412},
      {"#FFFFFF", 0xFFFFFF},
      {"#102030", 0x302010},
      // Past six characters: last two, then the 3rd and 4th, then the first two.
      {"#11223344", 0x442211},
      {"1234567", 0x673412},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<std::string> messages;
    EXPECT_EQ(ParseHTMLColor(c.text, [&](const std::string& m) { messages.push_back(m); }), c.bgr);
    EXPECT_TRUE(messages.empty());
  }
}

TEST(ParseHTMLColor, QuotesTheReorderedTextWhenADigitIsBad) {
  struct Case {
    const char* text;
    const char* quoted;
  };
  const Case cases[] = {
      {"#GG0000", "0000GG"}, {"red", "00D0RE"},
      {"#12 456", "56 412"}, {"&H#FF0000", "00F0#F"},  // the prefixes come off only in their order
      {"-1", "0000-1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<std::string> messages;
    EXPECT_EQ(ParseHTMLColor(c.text, [&](const std::string& m) { messages.push_back(m); }), 0u);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], std::string("'") + c.quoted +
                               "' is an invalid color.\r\n\r\nColors are specified using HTML "
                               "format like #FF0000 for Red and #0000FF for Blue, etc.");
  }
}

}  // namespace
}  // namespace zarn::bBackdrop
