#include "base/VbConvert.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "base/VbError.h"

namespace zarn {
namespace {

constexpr int64_t kExponentClamp = 100000;

bool IsDigit(char ch) { return ch >= '0' && ch <= '9'; }

int HexDigit(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

// A decimal number as its digit strings; keeps the conversion to double in
// one place so that long digit runs and huge exponents behave the same.
struct DecimalParts {
  std::string int_digits;
  std::string frac_digits;
  int64_t exponent = 0;
  bool negative = false;

  bool HasDigits() const { return !int_digits.empty() || !frac_digits.empty(); }

  void AddExponentDigit(char ch, int64_t& value) const {
    if (value < kExponentClamp) value = value * 10 + (ch - '0');
  }

  // Infinite results are returned as such; callers decide on overflow.
  double ToDouble() const {
    const size_t int_start = int_digits.find_first_not_of('0');
    int64_t order = 0;  // decimal position of the first significant digit
    if (int_start != std::string::npos) {
      order = static_cast<int64_t>(int_digits.size() - int_start) + exponent;
    } else {
      const size_t frac_start = frac_digits.find_first_not_of('0');
      if (frac_start == std::string::npos) return negative ? -0.0 : 0.0;
      order = -static_cast<int64_t>(frac_start) + exponent;
    }
    const double huge = negative ? -std::numeric_limits<double>::infinity()
                                 : std::numeric_limits<double>::infinity();
    if (order > 400) return huge;
    if (order < -400) return negative ? -0.0 : 0.0;
    std::string text = (int_digits.empty() ? "0" : int_digits) + "." + frac_digits + "0e" +
                       std::to_string(exponent);
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) return order > 0 ? huge : 0.0;
    return negative ? -value : value;
  }
};

struct RadixNumber {
  uint64_t bits = 0;
  int significant = 0;  // digits after leading zeros
  bool too_long = false;
};

void AddRadixDigit(RadixNumber& number, int digit, int radix) {
  if (number.significant == 0 && digit == 0) return;
  ++number.significant;
  const uint64_t limit = std::numeric_limits<uint64_t>::max() / static_cast<uint64_t>(radix);
  if (number.bits > limit) {
    number.too_long = true;
    return;
  }
  number.bits = number.bits * static_cast<uint64_t>(radix) + static_cast<uint64_t>(digit);
}

bool IsValBlank(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; }

double ValRadix(std::string_view text, size_t i, int radix) {
  RadixNumber number;
  for (; i < text.size(); ++i) {
    if (IsValBlank(text[i])) continue;
    const int digit = HexDigit(text[i]);
    if (digit < 0 || digit >= radix) break;
    AddRadixDigit(number, digit, radix);
  }
  while (i < text.size() && IsValBlank(text[i])) ++i;
  const bool force_long = i < text.size() && text[i] == '&';
  if (number.too_long || number.bits > 0xFFFFFFFFull) ThrowOverflow();
  const auto as_long =
      static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(number.bits)));
  const auto as_int = static_cast<double>(static_cast<int16_t>(static_cast<uint16_t>(number.bits)));
  if (force_long) return as_long;
  if (radix == 16) return number.significant <= 4 ? as_int : as_long;
  if (number.bits <= 0xFF) return static_cast<double>(number.bits);
  return number.bits <= 0xFFFF ? as_int : as_long;
}

// The OLE reading of a whole text.
struct OleNumber {
  bool radix = false;
  RadixNumber bits;
  double value = 0;
};

bool IsOleSpace(char ch) { return ch == ' ' || (ch >= '\t' && ch <= '\r'); }

OleNumber ParseOle(std::string_view text) {
  while (!text.empty() && IsOleSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsOleSpace(text.back())) text.remove_suffix(1);
  if (text.empty()) ThrowTypeMismatch();

  OleNumber out;
  if (text.size() >= 2 && text[0] == '&') {
    const char kind = text[1];
    const int radix = (kind == 'H' || kind == 'h') ? 16 : (kind == 'O' || kind == 'o') ? 8 : 0;
    if (radix == 0 || text.size() == 2) ThrowTypeMismatch();
    out.radix = true;
    for (char ch : text.substr(2)) {
      const int digit = HexDigit(ch);
      if (digit < 0 || digit >= radix) ThrowTypeMismatch();
      AddRadixDigit(out.bits, digit, radix);
    }
    return out;
  }

  DecimalParts parts;
  size_t i = 0;
  bool sign_seen = false, currency_seen = false, paren = false;
  auto skip_space = [&] {
    while (i < text.size() && IsOleSpace(text[i])) ++i;
  };
  if (text[i] == '(') {
    paren = true;
    ++i;
    skip_space();
  }
  for (bool more = true; more && i < text.size();) {
    const char ch = text[i];
    if ((ch == '+' || ch == '-') && !sign_seen) {
      sign_seen = true;
      parts.negative = ch == '-';
    } else if (ch == '$' && !currency_seen) {
      currency_seen = true;
    } else {
      more = false;
      continue;
    }
    ++i;
    skip_space();
  }
  for (; i < text.size(); ++i) {
    if (IsDigit(text[i])) {
      parts.int_digits += text[i];
    } else if (text[i] != ',' || parts.int_digits.empty()) {
      break;
    }
  }
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && IsDigit(text[i]); ++i) parts.frac_digits += text[i];
  }
  if (!parts.HasDigits()) ThrowTypeMismatch();
  if (i < text.size() && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
    ++i;
    bool exp_negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) exp_negative = text[i++] == '-';
    if (i == text.size() || !IsDigit(text[i])) ThrowTypeMismatch();
    int64_t exponent = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) parts.AddExponentDigit(text[i], exponent);
    parts.exponent = exp_negative ? -exponent : exponent;
  }
  for (bool more = true; more && i < text.size();) {
    skip_space();
    if (i == text.size()) break;
    const char ch = text[i];
    if ((ch == '+' || ch == '-') && !sign_seen) {
      sign_seen = true;
      parts.negative = ch == '-';
    } else if (ch == '$' && !currency_seen) {
      currency_seen = true;
    } else if (ch == ')' && paren) {
      paren = false;
      if (parts.negative) ThrowTypeMismatch();
      parts.negative = true;
    } else {
      more = false;
      continue;
    }
    ++i;
  }
  if (i != text.size() || paren) ThrowTypeMismatch();
  out.value = parts.ToDouble();
  if (std::isinf(out.value)) ThrowOverflow();
  return out;
}

int32_t RadixToLong(const RadixNumber& number) {
  if (number.too_long || number.bits > 0xFFFFFFFFull) ThrowOverflow();
  return static_cast<int32_t>(static_cast<uint32_t>(number.bits));
}

}  // namespace

double Val(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsValBlank(text[i])) ++i;
  if (i < text.size() && text[i] == '&') {
    if (i + 1 >= text.size()) return 0;
    const char kind = text[i + 1];
    if (kind == 'H' || kind == 'h') return ValRadix(text, i + 2, 16);
    if (kind == 'O' || kind == 'o') return ValRadix(text, i + 2, 8);
    return 0;
  }
  DecimalParts parts;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) parts.negative = text[i++] == '-';
  bool point = false;
  for (; i < text.size(); ++i) {
    const char ch = text[i];
    if (IsValBlank(ch)) continue;
    if (IsDigit(ch)) {
      (point ? parts.frac_digits : parts.int_digits) += ch;
    } else if (ch == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (parts.HasDigits() && i < text.size() &&
      (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
    ++i;
    while (i < text.size() && IsValBlank(text[i])) ++i;
    bool exp_negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) exp_negative = text[i++] == '-';
    int64_t exponent = 0;
    for (; i < text.size(); ++i) {
      if (IsValBlank(text[i])) continue;
      if (!IsDigit(text[i])) break;
      parts.AddExponentDigit(text[i], exponent);
    }
    parts.exponent = exp_negative ? -exponent : exponent;
  }
  double value = parts.ToDouble();
  if (std::isinf(value)) ThrowOverflow();
  if (i < text.size()) {
    const char suffix = text[i];
    if ((suffix == '%' || suffix == '&') && !parts.frac_digits.empty()) ThrowTypeMismatch();
    if (suffix == '!') value = static_cast<float>(value);
    if (suffix == '@') value = std::nearbyint(value * 10000.0) / 10000.0;
  }
  return value == 0 ? 0.0 : value;
}

double LeadingNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i + 1 < text.size() && text[i] == '&' && (text[i + 1] == 'H' || text[i + 1] == 'h')) {
    RadixNumber number;
    for (i += 2; i < text.size() && HexDigit(text[i]) >= 0; ++i) {
      AddRadixDigit(number, HexDigit(text[i]), 16);
    }
    if (number.too_long || number.bits > 0xFFFFFFFFull) {
      return std::numeric_limits<double>::infinity();
    }
    if (number.significant <= 4) return static_cast<int16_t>(static_cast<uint16_t>(number.bits));
    return static_cast<int32_t>(static_cast<uint32_t>(number.bits));
  }
  DecimalParts parts;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) parts.negative = text[i++] == '-';
  for (; i < text.size() && IsDigit(text[i]); ++i) parts.int_digits += text[i];
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && IsDigit(text[i]); ++i) parts.frac_digits += text[i];
  }
  const double value = parts.ToDouble();
  return value == 0 ? 0.0 : value;
}

double CDbl(std::string_view text) {
  const OleNumber number = ParseOle(text);
  if (number.radix) return RadixToLong(number.bits);
  return number.value == 0 ? 0.0 : number.value;
}

int32_t CLng(std::string_view text) {
  const OleNumber number = ParseOle(text);
  if (number.radix) return RadixToLong(number.bits);
  return CLng(number.value);
}

int16_t CInt(std::string_view text) {
  const OleNumber number = ParseOle(text);
  if (number.radix) {
    if (!number.bits.too_long && number.bits.significant <= 4) {
      return static_cast<int16_t>(static_cast<uint16_t>(number.bits.bits));
    }
    return CInt(static_cast<double>(RadixToLong(number.bits)));
  }
  return CInt(number.value);
}

int32_t CLng(double value) {
  const double rounded = std::nearbyint(value);  // the default mode rounds half to even
  if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) ThrowOverflow();
  return static_cast<int32_t>(rounded);
}

int16_t CInt(double value) {
  const double rounded = std::nearbyint(value);
  if (!(rounded >= -32768.0 && rounded <= 32767.0)) ThrowOverflow();
  return static_cast<int16_t>(rounded);
}

std::string CStr(double value) {
  if (value == 0) return "0";
  if (std::isnan(value)) return "-1.#IND";
  if (std::isinf(value)) return value > 0 ? "1.#INF" : "-1.#INF";
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::general, 15);
  std::string out(buffer.data(), result.ptr);
  for (char& ch : out) {
    if (ch == 'e') ch = 'E';
  }
  return out;
}

bool IsNumeric(std::string_view text) {
  try {
    CDbl(text);
    return true;
  } catch (const VbError&) {
    return false;
  }
}

}  // namespace zarn
