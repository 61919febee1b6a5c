#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zarn::charfile {

// Produces the bit stream Decompress reads: a zero byte, LSB-first tokens
// (literals and back-references found with hash chains), the end marker and
// the 0xFF tail seen in real files.
std::vector<uint8_t> Compress(const uint8_t* data, size_t size);

// Low-level token writer, public so tests can build streams by hand.
class BitWriter {
 public:
  BitWriter() : bytes_{0} {}
  void Put(uint32_t value, unsigned count);  // LSB first
  void Literal(uint8_t byte);
  // Distance 1..1053246, length within the class's limits.
  void Reference(uint32_t distance, uint32_t length);
  // A raw reference token: class 0..3, offset field, and the length as the
  // prefix count k plus its k-bit value.
  void RawReference(unsigned cls, uint32_t field, unsigned k, uint32_t value);
  void EndMarker();
  // Pads the last byte with ones and appends the 0xFF tail; six bytes of
  // 0xFF hold an end marker by themselves.
  std::vector<uint8_t> Finish(size_t tail_bytes = 6);

 private:
  void Flush();
  std::vector<uint8_t> bytes_;
  uint64_t acc_ = 0;
  unsigned count_ = 0;
};

inline constexpr uint32_t kMaxDistance = 4673 + 0xFFFFE;

}  // namespace zarn::charfile
