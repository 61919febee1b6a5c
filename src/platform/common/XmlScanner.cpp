#include "platform/common/XmlScanner.h"

#include <expat.h>

#include <algorithm>
#include <exception>
#include <memory>

#include "base/VbError.h"
#include "ports/PresentationPort.h"

namespace zarn {
namespace {

struct FreeParser {
  void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

struct Visit {
  XML_Parser parser;
  const std::function<void(const XmlTag&)>& visit;
  // A throw from the reader's callback must not cross expat's C frames.
  std::exception_ptr failure;
  XmlTag tag;

  void Call() {
    try {
      visit(tag);
    } catch (...) {
      failure = std::current_exception();
      XML_StopParser(parser, XML_FALSE);
    }
  }
};

void OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
  auto& v = *static_cast<Visit*>(data);
  v.tag.end = false;
  v.tag.name = name;
  v.tag.attributes.clear();
  for (const XML_Char** a = attributes; a[0] != nullptr; a += 2) {
    v.tag.attributes.emplace_back(a[0], a[1]);
  }
  v.Call();
}

void OnEnd(void* data, const XML_Char* name) {
  auto& v = *static_cast<Visit*>(data);
  v.tag.end = true;
  v.tag.name = name;
  v.tag.attributes.clear();
  v.Call();
}

[[noreturn]] void Malformed(XML_Parser parser) {
  throw VbError(presentation::kFailed, std::string("malformed XML (") +
                                           XML_ErrorString(XML_GetErrorCode(parser)) + " at line " +
                                           std::to_string(XML_GetCurrentLineNumber(parser)) + ")");
}

}  // namespace

std::string_view XmlTag::LocalOf(std::string_view qualified) {
  const size_t colon = qualified.rfind(':');
  return colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
}

const std::string* XmlTag::Attribute(std::string_view local_name) const {
  for (const auto& [key, value] : attributes) {
    if (LocalOf(key) == local_name) return &value;
  }
  return nullptr;
}

void ScanXmlTags(std::string_view xml, const std::function<void(const XmlTag&)>& visit) {
  // An empty part holds no tags.
  if (xml.empty()) return;
  std::unique_ptr<XML_ParserStruct, FreeParser> parser(XML_ParserCreate(nullptr));
  if (!parser) throw VbError(presentation::kFailed, "out of memory reading XML");
  Visit state{parser.get(), visit, nullptr, {}};
  XML_SetUserData(parser.get(), &state);
  XML_SetElementHandler(parser.get(), OnStart, OnEnd);
  // expat takes an int length: long parts go in pieces.
  constexpr size_t kPiece = size_t{1} << 24;
  do {
    const size_t size = std::min(xml.size(), kPiece);
    const bool last = size == xml.size();
    const XML_Status status =
        XML_Parse(parser.get(), xml.data(), static_cast<int>(size), last ? XML_TRUE : XML_FALSE);
    if (state.failure) std::rethrow_exception(state.failure);
    if (status != XML_STATUS_OK) Malformed(parser.get());
    xml.remove_prefix(size);
  } while (!xml.empty());
}

}  // namespace zarn
