#include "charfile/Compressor.h"

#include <algorithm>
#include <bit>

#include "charfile/CharacterFile.h"

namespace zarn::charfile {
namespace {

constexpr unsigned kOffsetBits[4] = {6, 9, 12, 20};
constexpr uint32_t kOffsetBias[4] = {1, 65, 577, 4673};
constexpr unsigned kPrefixBits[4] = {1, 2, 3, 3};

unsigned ClassOf(uint32_t distance) {
  if (distance <= 64) return 0;
  if (distance <= 576) return 1;
  if (distance <= 4672) return 2;
  return 3;
}

uint32_t MinLength(unsigned cls) { return cls == 3 ? 3 : 2; }
uint32_t MaxLength(unsigned cls) { return MinLength(cls) + 4094; }

// Bits a reference costs, so a match is taken only when it beats literals.
unsigned ReferenceBits(uint32_t distance, uint32_t length) {
  unsigned cls = ClassOf(distance);
  uint32_t m = length - MinLength(cls) + 1;
  unsigned k = static_cast<unsigned>(std::bit_width(m)) - 1;
  return 1 + kPrefixBits[cls] + kOffsetBits[cls] + 2 * k + 1;
}

constexpr unsigned kHashBits = 15;
constexpr int kChainLimit = 48;
constexpr uint32_t kGoodEnough = 256;

uint32_t Hash3(const uint8_t* p) {
  uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16);
  return (v * 2654435761u) >> (32 - kHashBits);
}

}  // namespace

void BitWriter::Put(uint32_t value, unsigned count) {
  acc_ |= static_cast<uint64_t>(value & ((uint64_t{1} << count) - 1)) << count_;
  count_ += count;
  if (count_ >= 32) Flush();
}

void BitWriter::Flush() {
  while (count_ >= 8) {
    bytes_.push_back(static_cast<uint8_t>(acc_));
    acc_ >>= 8;
    count_ -= 8;
  }
}

void BitWriter::Literal(uint8_t byte) {
  Put(0, 1);
  Put(byte, 8);
}

void BitWriter::RawReference(unsigned cls, uint32_t field, unsigned k, uint32_t value) {
  Put(1, 1);
  Put(cls == 3 ? 7u : (1u << cls) - 1, kPrefixBits[cls]);  // cls ones, then a 0 below 3
  Put(field, kOffsetBits[cls]);
  Put((1u << k) - 1, k);  // k ones ...
  Put(0, 1);              // ... closed by a zero
  Put(value, k);
}

void BitWriter::Reference(uint32_t distance, uint32_t length) {
  unsigned cls = ClassOf(distance);
  if (distance == 0 || distance > kMaxDistance || length < MinLength(cls) ||
      length > MaxLength(cls)) {
    throw CharFileError("compressor: reference distance " + std::to_string(distance) + " length " +
                        std::to_string(length) + " cannot be encoded");
  }
  uint32_t m = length - MinLength(cls) + 1;
  unsigned k = static_cast<unsigned>(std::bit_width(m)) - 1;
  RawReference(cls, distance - kOffsetBias[cls], k, m - (1u << k));
}

void BitWriter::EndMarker() {
  Put(1, 1);
  Put(7, 3);
  Put(0xFFFFF, 20);
}

std::vector<uint8_t> BitWriter::Finish(size_t tail_bytes) {
  if (count_ % 8 != 0) Put(0xFF, 8 - count_ % 8);
  Flush();
  bytes_.insert(bytes_.end(), tail_bytes, 0xFF);
  return std::move(bytes_);
}

std::vector<uint8_t> Compress(const uint8_t* data, size_t size) {
  BitWriter out;
  std::vector<int32_t> head(size_t{1} << kHashBits, -1);
  std::vector<int32_t> prev(size, -1);
  std::vector<int32_t> last_pair(65536, -1);  // catches 2-byte matches the 3-byte hash misses

  auto insert = [&](size_t p) {
    if (p + 2 < size) {
      uint32_t h = Hash3(data + p);
      prev[p] = head[h];
      head[h] = static_cast<int32_t>(p);
    }
    if (p + 1 < size) last_pair[data[p] | (data[p + 1] << 8)] = static_cast<int32_t>(p);
  };
  auto match_length = [&](size_t candidate, size_t p, size_t limit) {
    size_t n = 0;
    while (n < limit && data[candidate + n] == data[p + n]) ++n;
    return n;
  };

  size_t pos = 0;
  while (pos < size) {
    uint32_t best_length = 0, best_distance = 0;
    int best_gain = 0;
    auto consider = [&](size_t candidate) {
      uint32_t distance = static_cast<uint32_t>(pos - candidate);
      unsigned cls = ClassOf(distance);
      size_t limit = std::min<size_t>(MaxLength(cls), size - pos);
      uint32_t length = static_cast<uint32_t>(match_length(candidate, pos, limit));
      if (length < MinLength(cls)) return;
      int gain = static_cast<int>(length * 9) - static_cast<int>(ReferenceBits(distance, length));
      if (gain > best_gain) {
        best_gain = gain;
        best_length = length;
        best_distance = distance;
      }
    };
    if (pos + 2 < size) {
      int32_t candidate = head[Hash3(data + pos)];
      for (int steps = 0; candidate >= 0 && steps < kChainLimit; ++steps) {
        if (pos - candidate > kMaxDistance) break;
        consider(static_cast<size_t>(candidate));
        if (best_length >= kGoodEnough) break;
        candidate = prev[candidate];
      }
    }
    if (pos + 1 < size) {
      int32_t pair = last_pair[data[pos] | (data[pos + 1] << 8)];
      if (pair >= 0 && pos - pair <= 4672) consider(static_cast<size_t>(pair));
    }
    if (best_gain > 0) {
      out.Reference(best_distance, best_length);
      for (size_t end = pos + best_length; pos < end; ++pos) insert(pos);
    } else {
      out.Literal(data[pos]);
      insert(pos);
      ++pos;
    }
  }
  // The marker's 24 one-bits come from the padding and the 0xFF tail, as in
  // real files.
  return out.Finish();
}

}  // namespace zarn::charfile
