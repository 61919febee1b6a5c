#pragma once

#include <string>
#include <string_view>

namespace zarn {

// Quote handling of speech and thought text.
std::string UnescapeQuotes(std::string_view psText);

}  // namespace zarn
