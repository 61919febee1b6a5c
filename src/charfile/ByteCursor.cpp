#include "charfile/ByteCursor.h"

#include "charfile/Utf16.h"

namespace zarn::charfile {

Guid ByteCursor::ReadGuid(const char* field) {
  Guid g;
  g.data1 = U32(field);
  g.data2 = U16(field);
  g.data3 = U16(field);
  std::memcpy(g.data4.data(), Take(8, field), 8);
  return g;
}

Color ByteCursor::RgbQuad(const char* field) {
  const uint8_t* p = Take(4, field);
  return Color{p[2], p[1], p[0]};
}

Color ByteCursor::ColorRef(const char* field) {
  const uint8_t* p = Take(4, field);
  return Color{p[0], p[1], p[2]};
}

std::string ByteCursor::String(const char* field, bool terminated) {
  uint32_t units = U32(field);
  uint64_t bytes = uint64_t{units} * 2 + (terminated && units > 0 ? 2 : 0);
  if (bytes > Remaining()) {
    Corrupt(std::string(field) + ": string of " + std::to_string(units) +
            " characters does not fit in the " + std::to_string(Remaining()) + " bytes left");
  }
  const uint8_t* p = Take(static_cast<size_t>(bytes), field);
  return Utf16LeToUtf8(p, units);
}

std::vector<uint8_t> ByteCursor::Block(const char* field) {
  uint32_t size = U32(field);
  if (size > Remaining()) {
    Corrupt(std::string(field) + ": block of " + std::to_string(size) +
            " bytes does not fit in the " + std::to_string(Remaining()) + " bytes left");
  }
  const uint8_t* p = Take(size, field);
  return std::vector<uint8_t>(p, p + size);
}

void ByteCursor::CheckCount(uint64_t count, size_t min_record, const char* field) const {
  if (count * min_record > Remaining()) {
    Corrupt(std::string(field) + ": count " + std::to_string(count) + " needs at least " +
            std::to_string(count * min_record) + " bytes but only " + std::to_string(Remaining()) +
            " are left");
  }
}

void ByteCursor::Fail(const char* field, size_t needed) const {
  Corrupt(std::string(field) + ": needs " + std::to_string(needed) + " bytes but only " +
          std::to_string(Remaining()) + " are left");
}

void ByteCursor::Corrupt(const std::string& message) const {
  throw CharFileError(what_ + " (at file offset " + std::to_string(base_ + Offset()) +
                      "): " + message);
}

}  // namespace zarn::charfile
