#pragma once

// Bounded little-endian reading of character-file structures. Every read is
// checked against the end of the block being parsed, never the file end.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "charfile/CharacterFile.h"

namespace zarn::charfile {

class ByteCursor {
 public:
  // `what` names the block in error messages ("animation list", ...).
  ByteCursor(const uint8_t* begin, size_t size, std::string what, size_t base_offset = 0)
      : begin_(begin),
        pos_(begin),
        end_(begin + size),
        what_(std::move(what)),
        base_(base_offset) {}

  size_t Remaining() const { return static_cast<size_t>(end_ - pos_); }
  size_t Offset() const { return static_cast<size_t>(pos_ - begin_); }
  const uint8_t* Here() const { return pos_; }
  const std::string& What() const { return what_; }

  uint8_t U8(const char* field) { return *Take(1, field); }
  uint16_t U16(const char* field) {
    const uint8_t* p = Take(2, field);
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
  }
  uint32_t U32(const char* field) {
    const uint8_t* p = Take(4, field);
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
  }
  int16_t I16(const char* field) { return static_cast<int16_t>(U16(field)); }
  int32_t I32(const char* field) { return static_cast<int32_t>(U32(field)); }

  Guid ReadGuid(const char* field);
  // Palette order B, G, R, 0.
  Color RgbQuad(const char* field);
  // Balloon order R, G, B, 0.
  Color ColorRef(const char* field);
  // u32 count + UTF-16LE units (+ a terminator when the count is non-zero
  // and `terminated`), returned as UTF-8.
  std::string String(const char* field, bool terminated = true);
  // u32 length + bytes.
  std::vector<uint8_t> Block(const char* field);

  const uint8_t* Take(size_t n, const char* field) {
    if (n > Remaining()) [[unlikely]]
      Fail(field, n);
    const uint8_t* p = pos_;
    pos_ += n;
    return p;
  }
  void Skip(size_t n, const char* field) { Take(n, field); }

  // A count of records whose smallest encoding is `min_record` bytes must
  // fit in the rest of the block; stops garbage counts driving allocations.
  void CheckCount(uint64_t count, size_t min_record, const char* field) const;

  [[noreturn]] void Fail(const char* field, size_t needed) const;
  [[noreturn]] void Corrupt(const std::string& message) const;

 private:
  const uint8_t* begin_;
  const uint8_t* pos_;
  const uint8_t* end_;
  std::string what_;
  size_t base_;
};

}  // namespace zarn::charfile
