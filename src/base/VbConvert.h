#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zarn {

// Number conversions with the en-US locale fixed: "." is the decimal point,
// "," the thousands separator and "$" the currency symbol.

// Reads a number from the start of the text and stops at the first
// character that cannot belong to it; blanks inside are skipped, "&H"/"&O"
// prefixes read hexadecimal/octal at 16 or 32 bits. Rubbish gives 0.
// Throws VbError 6 when the result is infinite, 13 for a "%" or "&" suffix
// after a fraction.
double Val(std::string_view text);

// The number at the start of a text for setting bounds: leading blanks,
// optional sign, digits and decimal point, or "&H" and hex digits. Never
// throws; text without a number counts as 0.
double LeadingNumber(std::string_view text);

// The whole text must be a number (blanks around, leading or trailing sign,
// parentheses, "$", thousands separators, exponent, "&H"/"&O").
// Throws VbError 13 (type mismatch) or 6 (overflow).
double CDbl(std::string_view text);
int32_t CLng(std::string_view text);
int16_t CInt(std::string_view text);

// Round half to even; VbError 6 outside the type's range.
int32_t CLng(double value);
int16_t CInt(double value);

// At most 15 significant digits, "E+nn" form for exponents below -4 or from 15.
std::string CStr(double value);

bool IsNumeric(std::string_view text);

}  // namespace zarn
