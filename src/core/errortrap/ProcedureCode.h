#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/Crc32.h"

namespace zarn {

// "Module.Procedure" with its code fixed at compile time: the consteval
// constructor refuses anything that is not a constant.
struct Procedure {
  consteval Procedure(const char* qualified_name)
      : name(qualified_name), code(Crc32(qualified_name)) {}
  std::string_view name;
  uint32_t code;

  // Upper-case hexadecimal without leading zeros, as the report prints it.
  std::string CodeText() const;
};

std::string ProcedureCodeText(uint32_t code);

}  // namespace zarn
