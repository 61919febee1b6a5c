#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

class DesktopPort;

// Cuts a text into fields at a delimiter. Fields are numbered from 1;
// element 0 of the field array is unused.
class CParser {
 public:
  explicit CParser(DesktopPort* desktop = nullptr) : desktop_(desktop) {}

  void ParseIt(std::string_view psParseText, std::string_view psDelimit);
  int32_t FieldCount() const { return field_count_; }
  // An index outside the array gives empty text.
  std::string Field(int32_t index) const;
  std::vector<std::string> GetFieldArray() const { return fields_; }

 private:
  DesktopPort* desktop_;
  int32_t field_count_ = 0;
  std::vector<std::string> fields_{std::string()};
};

}  // namespace zarn
