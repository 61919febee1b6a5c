#include <gtest/gtest.h>

#include "platform/listen/VoiceInput.h"

namespace zarn {
namespace {

// The Listening Tip's line: what was heard, unless the best match does not
// exceed its command's threshold; then the command's text or the default.
TEST(HeardTip, SaysWhatWasHeardOrThatItWasNotUnderstood) {
  VoiceCommand plain{"hello", "say hello"};
  VoiceCommand strict{"send", "send it"};
  strict.confidence = 50;
  strict.confidence_text = "Say it again?";
  VoiceCommand strict_silent{"stop", "stop"};
  strict_silent.confidence = 50;
  const std::vector<VoiceCommand> commands = {plain, strict, strict_silent};
  struct Case {
    Recognition heard;
    std::string tip;
  };
  const Case cases[] = {
      {{}, kNotUnderstood},
      {{{0, "say hello", 90}}, "Heard \"say hello\""},
      {{{0, "say hello", 1}, {1, "send it", -1}}, "Heard \"say hello\""},
      {{{0, "say hello", 0}}, kNotUnderstood},
      {{{1, "send it", 51}}, "Heard \"send it\""},
      {{{1, "send it", 50}}, "Say it again?"},
      {{{2, "stop", 20}}, kNotUnderstood},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tip);
    EXPECT_EQ(HeardTip(commands, c.heard), c.tip);
  }
}

}  // namespace
}  // namespace zarn
