#include "charfile/Decompressor.h"

#include <bit>
#include <cstring>
#include <string>

#include "charfile/CharacterFile.h"

namespace zarn::charfile {
namespace {

[[noreturn]] void Corrupt(const std::string& message) {
  throw CharFileError("compressed data: " + message);
}

constexpr unsigned kOffsetBits[4] = {6, 9, 12, 20};
constexpr uint32_t kOffsetBias[4] = {1, 65, 577, 4673};
constexpr uint32_t kEndMarker = 0xFFFFF;
constexpr unsigned kMaxLengthPrefix = 11;
// The longest token: type, class prefix, 20-bit offset, 12 prefix bits, 11
// value bits. After a refill that many bits are there unless the input ends.
constexpr unsigned kMaxTokenBits = 1 + 3 + 20 + 12 + 11;

}  // namespace

void Decompress(const uint8_t* src, size_t src_size, uint8_t* out, size_t expected) {
  if (src_size == 0) Corrupt("empty block");
  if (src[0] != 0) Corrupt("block does not start with a zero byte");
  const uint8_t* p = src + 1;
  const uint8_t* const end = src + src_size;
  // Bits are consumed from the low end; bits at `count` and above are either
  // zero or the stream's next bits, so OR-ing a refill over them is harmless.
  uint64_t bits = 0;
  unsigned count = 0;
  size_t pos = 0;

  auto refill = [&] {
    if (end - p >= 8) {
      uint64_t word;
      std::memcpy(&word, p, 8);
      if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
      bits |= word << count;
      p += (63 - count) >> 3;
      count |= 56;
    } else {
      while (count <= 56 && p < end) {
        bits |= uint64_t{*p++} << count;
        count += 8;
      }
    }
  };
  auto need = [&](unsigned n) {
    if (count < n) [[unlikely]] {
      Corrupt("stream ends before its end marker (" + std::to_string(pos) + " of " +
              std::to_string(expected) + " bytes decoded)");
    }
  };
  auto take = [&](unsigned n) -> uint32_t {
    uint32_t v = static_cast<uint32_t>(bits & ((uint64_t{1} << n) - 1));
    bits >>= n;
    count -= n;
    return v;
  };

  for (;;) {
    if (count < kMaxTokenBits) refill();
    need(1);
    if ((bits & 1) == 0) {
      need(9);
      take(1);
      if (pos >= expected) [[unlikely]] {
        Corrupt("output would exceed the expected " + std::to_string(expected) + " bytes");
      }
      out[pos++] = static_cast<uint8_t>(take(8));
      continue;
    }
    take(1);
    unsigned cls = static_cast<unsigned>(std::countr_one(bits));
    unsigned prefix = cls + 1;
    if (cls >= 3) {
      cls = 3;
      prefix = 3;
    }
    need(prefix + kOffsetBits[cls]);
    take(prefix);
    uint32_t raw = take(kOffsetBits[cls]);
    if (cls == 3 && raw == kEndMarker) break;
    size_t distance = raw + kOffsetBias[cls];

    unsigned k = static_cast<unsigned>(std::countr_one(bits));
    if (k > kMaxLengthPrefix) {
      need(kMaxLengthPrefix + 1);
      Corrupt("length prefix longer than 11 bits");
    }
    need(2 * k + 1);
    take(k + 1);
    size_t length = (cls == 3 ? 3 : 2) + (size_t{1} << k) - 1 + take(k);

    if (distance > pos) [[unlikely]] {
      Corrupt("back-reference distance " + std::to_string(distance) + " reaches before the " +
              std::to_string(pos) + " bytes decoded");
    }
    if (length > expected - pos) [[unlikely]] {
      Corrupt("output would exceed the expected " + std::to_string(expected) + " bytes");
    }
    uint8_t* d = out + pos;
    const uint8_t* s = d - distance;
    if (distance == 1) {
      std::memset(d, *s, length);
    } else if (distance >= 8 && expected - pos - length >= 8) {
      // 8-byte steps may write up to 7 bytes past the copy; they lie inside
      // the output and are overwritten later.
      for (size_t i = 0; i < length; i += 8) {
        uint64_t chunk;
        std::memcpy(&chunk, s + i, 8);
        std::memcpy(d + i, &chunk, 8);
      }
    } else {
      for (size_t i = 0; i < length; ++i) d[i] = s[i];
    }
    pos += length;
  }
  if (pos != expected) {
    Corrupt("end marker after " + std::to_string(pos) + " of the expected " +
            std::to_string(expected) + " bytes");
  }
}

std::vector<uint8_t> Decompress(const uint8_t* src, size_t src_size, size_t expected) {
  if (expected > MaxDecompressedSize(src_size)) {
    Corrupt(std::to_string(src_size) + " bytes cannot hold " + std::to_string(expected) +
            " bytes of data");
  }
  std::vector<uint8_t> out(expected);
  Decompress(src, src_size, out.data(), expected);
  return out;
}

}  // namespace zarn::charfile
