#include "agent/SpeechText.h"

namespace zarn {

std::string UnescapeQuotes(std::string_view psText) { return std::string(psText); }

}  // namespace zarn
