#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/script/LoadScript.h"
#include "core/script/bGetFiles.h"
#include "core/script/bReadText.h"
#include "support/Harness.h"

namespace zarn {
namespace {

using testing::Harness;
using testing::Select;
using testing::TempFolder;

// Pearson's statistic against equal expected counts.
double ChiSquare(const std::map<std::string, int>& counts, size_t categories, int total) {
  const double expected = static_cast<double>(total) / static_cast<double>(categories);
  double sum = 0;
  for (const auto& [name, count] : counts)
    sum += (count - expected) * (count - expected) / expected;
  // Categories never drawn count too.
  sum += static_cast<double>(categories - counts.size()) * expected;
  return sum;
}

// Four degrees of freedom: a value above 25 happens by chance about once
// in 20,000 runs, and the seed is fixed anyway.
constexpr double kChiSquareBound4 = 25.0;

TEST(RandomBetween, StaysInsideItsBoundsAndReachesBoth) {
  bReadText::RandomSource random(7);
  struct Case {
    int32_t low, high;
  };
  const Case cases[] = {
      {1, 1},
      {1, 5},
      {-3, 3},
      {0, 1},
      {2147483640, 2147483647},
      {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::min() + 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.low) + ".." + std::to_string(c.high));
    std::set<int32_t> seen;
    for (int i = 0; i < 2000; ++i) {
      const int32_t value = random.RandomBetween(c.low, c.high);
      ASSERT_GE(value, c.low);
      ASSERT_LE(value, c.high);
      seen.insert(value);
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(c.high - c.low + 1));
  }
  // The whole 32-bit range fits: draws are spread, not the overflow result 0.
  std::set<int32_t> wide;
  for (int i = 0; i < 20; ++i) {
    wide.insert(random.RandomBetween(std::numeric_limits<int32_t>::min(),
                                     std::numeric_limits<int32_t>::max()));
  }
  EXPECT_GT(wide.size(), 15u);
}

TEST(RandomBetween, TheSameSeedGivesTheSameSequence) {
  auto draw = [](uint32_t seed) {
    bReadText::RandomSource random;
    random.Seed(seed);
    std::vector<int32_t> values;
    for (int i = 0; i < 50; ++i) values.push_back(random.RandomBetween(1, 1000));
    return values;
  };
  EXPECT_EQ(draw(42), draw(42));
  EXPECT_NE(draw(42), draw(43));
}

class PickTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"a.txt", "B.TXT", ".hidden.txt", "d.txt", "e.Txt"}) {
      dir_.Write("texts/" + std::string(name), std::string("Text of ") + name);
    }
    dir_.Write("texts/notes.md", "not a text");
    dir_.Write("texts/sub.txt/inner.txt", "a folder is not a file");
  }
  TempFolder dir_;
  bErrorTrap::Trap errors_;
};

TEST_F(PickTest, ListsEveryMatchingFileHiddenOnesIncluded) {
  std::vector<std::string> names{"left over"};
  int32_t count = -1;
  bGetFiles::ListMatchingFiles(errors_, dir_ / "texts/*.txt", names, count);
  EXPECT_EQ(count, 5);
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()),
            (std::set<std::string>{"a.txt", "B.TXT", ".hidden.txt", "d.txt", "e.Txt"}));
  bGetFiles::ListMatchingFiles(errors_, "", names, count);
  EXPECT_EQ(count, 0);
  EXPECT_TRUE(names.empty());
}

TEST_F(PickTest, PicksUniformlyAndJoinsTheFolderPart) {
  bReadText::RandomSource random(2024);
  const std::string folder = dir_ / "texts/";
  std::map<std::string, int> counts;
  constexpr int kPicks = 5000;
  for (int i = 0; i < kPicks; ++i) {
    const std::string path = bReadText::PickRandomFile(errors_, random, folder + "*.txt");
    ASSERT_EQ(path.rfind(folder, 0), 0u) << path;
    ++counts[path.substr(folder.size())];
  }
  EXPECT_EQ(counts.size(), 5u);
  EXPECT_LT(ChiSquare(counts, 5, kPicks), kChiSquareBound4);
}

TEST_F(PickTest, APatternThatMatchesNothingComesBackUnchanged) {
  for (const std::string& pattern :
       {dir_ / "texts/*.doc", dir_ / "missing/*.txt", std::string("C:\\Texts\\*.txt")}) {
    SCOPED_TRACE(pattern);
    bReadText::RandomSource random;
    EXPECT_EQ(bReadText::PickRandomFile(errors_, random, pattern), pattern);
  }
}

TEST_F(PickTest, ReadTextFileWithAPatternReadsOneFileEachTime) {
  Harness h;
  h.CreateServices();
  ASSERT_TRUE(LoadScript(
      h.program(),
      dir_.Write("main.zrn", "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n"), false));
  h.program().random.Seed(99);
  constexpr int kReads = 500;
  std::string script;
  for (int i = 0; i < kReads; ++i) script += "READTEXTFILE Pip, " + (dir_ / "texts/*.txt") + "\r\n";
  h.Agent().PlayScript(script, false, true, false);

  std::map<std::string, int> counts;
  int read = 0;
  for (const auto& speak : Select(h.Records(), "call", "Speak")) {
    if (speak.Arg(0).rfind("Text of ", 0) != 0) continue;  // the statement's own end mark
    ++counts[speak.Arg(0)];
    ++read;
  }
  EXPECT_EQ(read, kReads);
  EXPECT_EQ(counts.size(), 5u);
  EXPECT_LT(ChiSquare(counts, 5, kReads), kChiSquareBound4);
}

}  // namespace
}  // namespace zarn
