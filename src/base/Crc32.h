#pragma once

#include <cstdint>
#include <string_view>

namespace zarn {

// CRC-32 (reflected, polynomial 0xEDB88320, as zlib computes it).
constexpr uint32_t Crc32(std::string_view text) {
  uint32_t crc = 0xFFFFFFFFu;
  for (char ch : text) {
    crc ^= static_cast<uint8_t>(ch);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

}  // namespace zarn
