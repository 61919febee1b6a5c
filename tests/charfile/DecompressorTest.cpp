#include <gtest/gtest.h>

#include <random>

#include "charfile/CharacterFile.h"
#include "charfile/Compressor.h"
#include "charfile/Decompressor.h"

namespace zarn::charfile {
namespace {

std::vector<uint8_t> Decode(const std::vector<uint8_t>& stream, size_t expected) {
  return Decompress(stream.data(), stream.size(), expected);
}

std::string DecodeError(const std::vector<uint8_t>& stream, size_t expected) {
  try {
    Decode(stream, expected);
  } catch (const CharFileError& e) {
    return e.what();
  }
  return "no error";
}

TEST(Decompress, WorkedExampleGivesItsNineBytes) {
  const std::vector<uint8_t> stream = {0x00, 0x82, 0x02, 0x4A, 0xA8, 0x22,
                                       0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  const std::vector<uint8_t> want = {0x41, 0x41, 0x41, 0x41, 0x41, 0x42, 0x41, 0x41, 0x41};
  EXPECT_EQ(Decode(stream, 9), want);
}

TEST(Compress, WorkedExampleInputPacksAsTightlyAsTheHandEncoding) {
  const std::vector<uint8_t> input = {0x41, 0x41, 0x41, 0x41, 0x41, 0x42, 0x41, 0x41, 0x41};
  std::vector<uint8_t> packed = Compress(input.data(), input.size());
  EXPECT_EQ(Decode(packed, input.size()), input);
  EXPECT_LE(packed.size(), 12u);
  // Same shape as real blocks: a zero byte first, six 0xFF bytes last.
  EXPECT_EQ(packed.front(), 0);
  EXPECT_EQ(std::vector<uint8_t>(packed.end() - 6, packed.end()), std::vector<uint8_t>(6, 0xFF));
}

// A stream of `prefix` literals then one reference with the raw fields.
std::vector<uint8_t> OneReference(size_t literals, unsigned cls, uint32_t field, unsigned k,
                                  uint32_t value) {
  BitWriter w;
  for (size_t i = 0; i < literals; ++i) w.Literal(static_cast<uint8_t>(i * 7 + 1));
  w.RawReference(cls, field, k, value);
  w.EndMarker();
  return w.Finish(0);
}

TEST(Decompress, EveryOffsetClassReachesItsDistances) {
  struct Case {
    const char* name;
    unsigned cls;
    uint32_t field;
    size_t distance;
    size_t base_length;
  };
  const Case cases[] = {
      {"class 0 nearest", 0, 0, 1, 2},
      {"class 0 farthest", 0, 63, 64, 2},
      {"class 1 nearest", 1, 0, 65, 2},
      {"class 1 farthest", 1, 511, 576, 2},
      {"class 2 nearest", 2, 0, 577, 2},
      {"class 2 farthest", 2, 4095, 4672, 2},
      {"class 3 nearest", 3, 0, 4673, 3},
      {"class 3 far", 3, 100000, 104673, 3},
      {"class 3 farthest", 3, 0xFFFFE, kMaxDistance, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> stream = OneReference(c.distance, c.cls, c.field, 0, 0);
    std::vector<uint8_t> out = Decode(stream, c.distance + c.base_length);
    for (size_t i = 0; i < c.base_length; ++i) {
      ASSERT_EQ(out[c.distance + i], out[i]) << "byte " << i;
    }
  }
}

TEST(Decompress, LengthPrefixesZeroToElevenGiveTheirLengths) {
  for (unsigned k = 0; k <= 11; ++k) {
    for (uint32_t value : {0u, (1u << k) - 1}) {
      SCOPED_TRACE("k=" + std::to_string(k) + " v=" + std::to_string(value));
      for (unsigned cls : {0u, 3u}) {
        size_t base = cls == 3 ? 3 : 2;
        size_t length = base + (size_t{1} << k) - 1 + value;
        size_t distance = cls == 3 ? 4673 : 1;
        std::vector<uint8_t> stream = OneReference(distance, cls, 0, k, value);
        std::vector<uint8_t> out = Decode(stream, distance + length);
        EXPECT_EQ(out.size(), distance + length);
        for (size_t i = distance; i < out.size(); ++i) ASSERT_EQ(out[i], out[i - distance]);
      }
    }
  }
}

TEST(Decompress, EndMarkerStopsAndLeavesTrailingBytesUnread) {
  BitWriter w;
  w.Literal('x');
  w.EndMarker();
  std::vector<uint8_t> stream = w.Finish(3);  // junk after the marker is ignored
  EXPECT_EQ(Decode(stream, 1), std::vector<uint8_t>{'x'});
}

TEST(Decompress, CorruptStreamsNameTheirFault) {
  struct Case {
    const char* name;
    std::vector<uint8_t> stream;
    size_t expected;
    const char* message;
  };
  auto stream = [](auto build, size_t tail = 6) {
    BitWriter w;
    build(w);
    return w.Finish(tail);
  };
  const Case cases[] = {
      {"distance beyond output", stream([](BitWriter& w) {
         w.Literal(1);
         w.RawReference(0, 1, 0, 0);  // distance 2 after 1 byte
       }),
       3, "reaches before"},
      {"output overflow by literal", stream([](BitWriter& w) {
         w.Literal(1);
         w.Literal(2);
       }),
       1, "exceed"},
      {"output overflow by copy", stream([](BitWriter& w) {
         w.Literal(1);
         w.Reference(1, 40);
       }),
       10, "exceed"},
      {"missing marker", stream([](BitWriter& w) { w.Literal(1); }, 0), 1, "ends before"},
      {"truncated inside a token", std::vector<uint8_t>{0x00, 0x82}, 1, "ends before"},
      {"marker before the output is full", stream([](BitWriter& w) { w.Literal(1); }), 2,
       "end marker after 1 of the expected 2"},
      {"twelve-bit length prefix", stream([](BitWriter& w) {
         w.Literal(1);
         w.Put(1, 1);
         w.Put(0, 1);
         w.Put(0, 6);
         w.Put(0xFFF, 12);
         w.Put(0, 1);
       }),
       100, "length prefix"},
      {"empty block", std::vector<uint8_t>{}, 1, "empty"},
      {"no leading zero byte", std::vector<uint8_t>{0x01, 0xFF, 0xFF, 0xFF}, 0, "zero byte"},
      {"size beyond what the input can hold", std::vector<uint8_t>{0x00, 0xFF, 0xFF, 0xFF}, 100000,
       "cannot hold"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string error = DecodeError(c.stream, c.expected);
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

TEST(Compress, OutputDecompressesToItsInput) {
  std::mt19937 random(12345);
  auto bytes = [&](size_t n, int alphabet) {
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = static_cast<uint8_t>(random() % alphabet);
    return v;
  };
  struct Case {
    std::string name;
    std::vector<uint8_t> input;
  };
  std::vector<Case> cases = {
      {"empty", {}},
      {"one byte", {42}},
      {"random bytes (incompressible)", bytes(20000, 256)},
      {"random over 4 symbols", bytes(20000, 4)},
      {"one long run", std::vector<uint8_t>(100000, 7)},
      {"run longer than one reference", std::vector<uint8_t>(4097 * 3 + 5, 0)},
  };
  std::vector<uint8_t> far = bytes(3000, 256);  // repeats at every distance class
  for (size_t gap : {10u, 300u, 2000u, 70000u}) {
    std::vector<uint8_t> filler = bytes(gap, 256);
    far.insert(far.end(), filler.begin(), filler.end());
    far.insert(far.end(), far.begin(), far.begin() + 3000);
  }
  cases.push_back({"repeats at all distances", far});
  std::vector<uint8_t> periodic;
  for (int i = 0; i < 50000; ++i) periodic.push_back(static_cast<uint8_t>((i % 5) * (i % 3)));
  cases.push_back({"short periods (overlapping copies)", periodic});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> packed = Compress(c.input.data(), c.input.size());
    EXPECT_EQ(Decode(packed, c.input.size()), c.input);
    if (c.input.size() >= 100000) {
      EXPECT_LT(packed.size(), c.input.size() / 100);
    }
  }
}

}  // namespace
}  // namespace zarn::charfile
