#include <gtest/gtest.h>

#include <vector>

#include "core/util/CParser.h"

namespace zarn {
namespace {

TEST(CParser, SplitsAndTrimsFields) {
  struct Case {
    const char* name;
    std::string text;
    std::string delimiter;
    std::vector<std::string> fields;
  };
  const Case cases[] = {
      {"blanks and empty field", "  a , b ,, c  ", ",", {"a", "b", "", "c"}},
      {"trailing delimiter adds nothing", "a,b,", ",", {"a", "b"}},
      {"leading delimiter", ",a", ",", {"", "a"}},
      {"empty", "", ",", {}},
      {"all blank", "    ", ",", {}},
      {"multi-character delimiter",
       "One.  Two. Three.  Four",
       ".  ",
       {"One", "Two. Three", "Four"}},
      {"command line", "demo.zrn /who=World /n=1", "/", {"demo.zrn", "who=World", "n=1"}},
      {"tabs are kept", "\ta\t,b", ",", {"\ta\t", "b"}},
      {"nul delimiter", std::string("k1\0k2\0", 6), std::string("\0", 1), {"k1", "k2"}},
      {"crlf", "l1\r\nl2\r\n\r\nl3", "\r\n", {"l1", "l2", "", "l3"}},
      {"case-sensitive", "aXbxc", "x", {"aXb", "c"}},
      {"only delimiters", ",,", ",", {"", ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CParser parser;
    parser.ParseIt(c.text, c.delimiter);
    ASSERT_EQ(parser.FieldCount(), static_cast<int32_t>(c.fields.size()));
    for (size_t i = 0; i < c.fields.size(); ++i) {
      EXPECT_EQ(parser.Field(static_cast<int32_t>(i + 1)), c.fields[i]);
    }
    const auto array = parser.GetFieldArray();
    EXPECT_EQ(array.size(), std::max<size_t>(c.fields.size(), 1) + 1);
  }
}

TEST(CParser, OutOfRangeIndexAndReuse) {
  CParser parser;
  EXPECT_EQ(parser.FieldCount(), 0);
  EXPECT_EQ(parser.Field(1), "");
  parser.ParseIt("a=1=2", "=");
  EXPECT_EQ(parser.FieldCount(), 3);
  EXPECT_EQ(parser.Field(0), "");
  EXPECT_EQ(parser.Field(4), "");
  EXPECT_EQ(parser.Field(-1), "");
  parser.ParseIt("", "=");  // a new split replaces the old result
  EXPECT_EQ(parser.FieldCount(), 0);
  EXPECT_EQ(parser.Field(1), "");
  EXPECT_EQ(parser.GetFieldArray(), (std::vector<std::string>{"", ""}));
}

TEST(CParser, EmptyDelimiterDoesNotHang) {
  CParser parser;
  parser.ParseIt(" abc ", "");
  EXPECT_EQ(parser.FieldCount(), 1);
  EXPECT_EQ(parser.Field(1), "abc");
}

TEST(CParser, ManyFieldsStayLinear) {
  std::string text;
  for (int i = 0; i < 200000; ++i) text += "key" + std::to_string(i) + '\0';
  CParser parser;
  parser.ParseIt(text, std::string("\0", 1));
  EXPECT_EQ(parser.FieldCount(), 200000);
  EXPECT_EQ(parser.Field(200000), "key199999");
}

}  // namespace
}  // namespace zarn
