#include "core/errortrap/ProcedureCode.h"

namespace zarn {

std::string ProcedureCodeText(uint32_t code) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[code & 0xF]);
    code >>= 4;
  } while (code != 0);
  return text;
}

std::string Procedure::CodeText() const { return ProcedureCodeText(code); }

}  // namespace zarn
