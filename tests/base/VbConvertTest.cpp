#include <gtest/gtest.h>

#include <optional>

#include "base/VbConvert.h"
#include "base/VbError.h"

namespace zarn {
namespace {

// The error number a call throws, or none.
template <class F>
std::optional<int32_t> ErrorOf(F&& call) {
  try {
    call();
    return std::nullopt;
  } catch (const VbError& e) {
    return e.Number();
  }
}

TEST(Val, ReadsTheNumberAtTheStart) {
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"    1615 198th Street N.E.", 1615198},
      {" 2 45 7", 2457},
      {"24 and 57", 24},
      {"- 5", -5},
      {"abc", 0},
      {"", 0},
      {"   ", 0},
      {"1.2.3", 1.2},
      {"1D3", 1000},
      {"2e-1", 0.2},
      {"1e", 1},
      {".5", 0.5},
      {"&HFFFF", -1},
      {"&H8000", -32768},
      {"&H7FFF", 32767},
      {"&HFFFFF", 1048575},
      {"&HFFFFFFFF", -1},
      {"&H0FFFF", -1},
      {"&HFFFF&", 65535},
      {"&hff", 255},
      {"&H", 0},
      {"&", 0},
      {"&X12", 0},
      {"&O777", 511},
      {"&O177777", -1},
      {"50%", 50},
      {"7 seconds", 7},
      {"1e-400", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_DOUBLE_EQ(Val(c.text), c.value);
  }
}

TEST(Val, FailsOnOverflowAndFractionWithIntegerSuffix) {
  EXPECT_EQ(ErrorOf([] { Val("1e400"); }), 6);
  EXPECT_EQ(ErrorOf([] { Val(std::string(400, '9')); }), 6);
  EXPECT_EQ(ErrorOf([] { Val("&H123456789"); }), 6);
  EXPECT_EQ(ErrorOf([] { Val("50.5%"); }), 13);
  EXPECT_EQ(ErrorOf([] { Val("50.5&"); }), 13);
  EXPECT_EQ(ErrorOf([] { Val("1e99999999999999999999"); }), 6);
}

TEST(CDbl, AcceptsWholeNumbersInTheEnUsForms) {
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {" 5 ", 5},          {"5-", -5},     {"(5)", -5},        {"$1,000", 1000},
      {"1,234.5", 1234.5}, {"&HFF", 255},  {"1e5", 1e5},       {"1d5", 1e5},
      {"-1.5", -1.5},      {"+.5", 0.5},   {"5.", 5},          {"1$", 1},
      {"- 5", -5},         {"\t7\r\n", 7}, {"&HFFFFFFFF", -1}, {"&H80000000", -2147483648.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_DOUBLE_EQ(CDbl(c.text), c.value);
    EXPECT_TRUE(IsNumeric(c.text));
  }
}

TEST(CDbl, RejectsPartialText) {
  const char* rejected[] = {"",   " ",  ".",   "-",     "12abc", "&H",   ",5", "1e",
                            "(5", "5)", "--5", "1.2.3", "&HG",   "(-5)", "5 5"};
  for (const char* text : rejected) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ErrorOf([&] { CDbl(text); }), 13);
    EXPECT_FALSE(IsNumeric(text));
  }
  EXPECT_EQ(ErrorOf([] { CDbl("1e400"); }), 6);
  EXPECT_FALSE(IsNumeric("1e400"));
}

TEST(CLngCInt, RoundHalfToEvenAndCheckRange) {
  struct Case {
    double value;
    std::optional<int32_t> lng;
    std::optional<int16_t> integer;
  };
  const Case cases[] = {
      {0.5, 0, 0},
      {1.5, 2, 2},
      {2.5, 2, 2},
      {-2.5, -2, -2},
      {3.5, 4, 4},
      {32767.5, 32768, std::nullopt},
      {-32768.5, -32768, -32768},
      {2147483647.4, 2147483647, std::nullopt},
      {2147483647.5, std::nullopt, std::nullopt},
      {-2147483648.0, -2147483647 - 1, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    if (c.lng) {
      EXPECT_EQ(CLng(c.value), *c.lng);
    } else {
      EXPECT_EQ(ErrorOf([&] { CLng(c.value); }), 6);
    }
    if (c.integer) {
      EXPECT_EQ(CInt(c.value), *c.integer);
    } else {
      EXPECT_EQ(ErrorOf([&] { CInt(c.value); }), 6);
    }
  }
}

TEST(CLngCInt, FromText) {
  EXPECT_EQ(CLng("3.5"), 4);
  EXPECT_EQ(CLng("&H409"), 1033);
  EXPECT_EQ(CInt("&H409"), 1033);
  EXPECT_EQ(CInt("&HFFFF"), -1);
  EXPECT_EQ(CInt("&H8000"), -32768);
  EXPECT_EQ(ErrorOf([] { CInt("&H10000"); }), 6);
  EXPECT_EQ(CLng("&HFFFF"), 65535);
  EXPECT_EQ(CLng("&HFFFFFFFF"), -1);
  EXPECT_EQ(CLng("&H80000000"), -2147483647 - 1);
  EXPECT_EQ(ErrorOf([] { CLng("&H100000000"); }), 6);
  EXPECT_EQ(ErrorOf([] { CLng("12abc"); }), 13);
  EXPECT_EQ(ErrorOf([] { CLng(""); }), 13);
  EXPECT_EQ(ErrorOf([] { CLng(" "); }), 13);
  EXPECT_EQ(ErrorOf([] { CLng("&H"); }), 13);
  EXPECT_EQ(ErrorOf([] { CInt("40000"); }), 6);
  EXPECT_EQ(ErrorOf([] { CLng("7 seconds"); }), 13);
}

TEST(CStr, FifteenSignificantDigits) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {0.5, "0.5"},
      {-0.5, "-0.5"},
      {0.1 + 0.2, "0.3"},
      {100, "100"},
      {0.0001, "0.0001"},
      {0.00001, "1E-05"},
      {1e15, "1E+15"},
      {123456789012345.0, "123456789012345"},
      {1234567890123456.0, "1.23456789012346E+15"},
      {-0.0, "0"},
      {1e100, "1E+100"},
      {-2147483648.0, "-2147483648"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(CStr(c.value), c.text);
  }
}

TEST(LeadingNumber, ReadsOnlyTheSimpleForms) {
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"7 seconds", 7}, {"  -5", -5},   {"1e3", 1},  {"&H10", 16},   {"abc", 0},
      {"", 0},          {"+2.5x", 2.5}, {"2 45", 2}, {"&HFFFF", -1}, {".", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_DOUBLE_EQ(LeadingNumber(c.text), c.value);
  }
  EXPECT_GT(LeadingNumber(std::string(500, '9')), 1e300);
}

}  // namespace
}  // namespace zarn
