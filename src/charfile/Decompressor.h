#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zarn::charfile {

// Decodes one compressed block (images, regions, .acf/.aca payloads) into
// exactly `expected` bytes at `out`. Throws CharFileError for a stream that
// is truncated, refers before the start of the output, would overflow
// `expected`, or ends early.
void Decompress(const uint8_t* src, size_t src_size, uint8_t* out, size_t expected);
// Same, into a new buffer; refuses before allocating when `expected` is more
// than `src_size` bytes could ever expand to.
std::vector<uint8_t> Decompress(const uint8_t* src, size_t src_size, size_t expected);

// The most a block of `src_size` bytes can decode to: a 31-bit token copies
// at most 4096 bytes.
inline uint64_t MaxDecompressedSize(size_t src_size) {
  return uint64_t{src_size} * 8 / 31 * 4097 + 4097;
}

}  // namespace zarn::charfile
