#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zarn {

// One start or end tag of an XML text.
struct XmlTag {
  bool end = false;                                             // </name>, or after <name/>
  std::string name;                                             // as written, prefix included
  std::vector<std::pair<std::string, std::string>> attributes;  // values decoded

  // The name without its namespace prefix.
  std::string_view LocalName() const { return LocalOf(name); }
  // The value of the attribute whose local name matches; null when absent.
  const std::string* Attribute(std::string_view local_name) const;

  static std::string_view LocalOf(std::string_view qualified);
};

// Calls `visit` for every start and end tag of the XML text in document
// order (an empty element gives both), through expat. Namespaces are
// matched by local name only, which is all the package readers need.
// Malformed markup throws VbError.
void ScanXmlTags(std::string_view xml, const std::function<void(const XmlTag&)>& visit);

}  // namespace zarn
