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
std::vector<uint8_t> Decompress(const uint8_t* src, size_t src_size, size_t expected);

}  // namespace zarn::charfile
