#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zarn {

// One start or end tag of an XML text.
struct XmlTag {
  bool end = false;                                             // </name>
  bool self_closing = false;                                    // <name ... />
  std::string name;                                             // as written, prefix included
  std::vector<std::pair<std::string, std::string>> attributes;  // values decoded

  // The name without its namespace prefix.
  std::string_view LocalName() const { return LocalOf(name); }
  // The value of the attribute whose local name matches; null when absent.
  const std::string* Attribute(std::string_view local_name) const;

  static std::string_view LocalOf(std::string_view qualified);
};

// Walks the tags of an XML text in document order, skipping text,
// comments, CDATA, declarations and processing instructions. Namespaces are
// matched by local name only, which is all the package readers need.
// Malformed markup throws VbError.
class XmlScanner {
 public:
  explicit XmlScanner(std::string_view text) : text_(text) {}
  bool Next(XmlTag& tag);

 private:
  void SkipPast(std::string_view terminator);
  [[noreturn]] void Malformed(const char* what) const;

  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace zarn
