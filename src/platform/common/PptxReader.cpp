#include "platform/common/PptxReader.h"

#include <map>

#include "base/VbError.h"
#include "platform/common/XmlScanner.h"
#include "platform/common/ZipReader.h"
#include "ports/PresentationPort.h"

namespace zarn {
namespace {

[[noreturn]] void Fail(const std::string& description) {
  throw VbError(presentation::kFailed, description);
}

std::string ReadPart(const ZipReader& package, const std::string& name) {
  auto bytes = package.Read(name, kMaxPresentationPart);
  if (!bytes) Fail("the package has no part " + name);
  return std::move(*bytes);
}

bool XmlTrue(const std::string& value) { return value == "1" || value == "true"; }

std::string FolderOf(const std::string& part) {
  const size_t slash = part.rfind('/');
  return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

std::string PercentDecoded(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    auto hex = [](char ch) {
      if (ch >= '0' && ch <= '9') return ch - '0';
      if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
      if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
      return -1;
    };
    if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
      out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// A relationship target as a part name: relative to the source part's
// folder unless it starts with "/", with "." and ".." segments folded.
std::string ResolveTarget(const std::string& source_folder, const std::string& target) {
  const std::string decoded = PercentDecoded(target);
  const std::string joined =
      !decoded.empty() && decoded[0] == '/' ? decoded.substr(1) : source_folder + decoded;
  std::vector<std::string> segments;
  size_t start = 0;
  while (start <= joined.size()) {
    size_t slash = joined.find('/', start);
    if (slash == std::string::npos) slash = joined.size();
    const std::string segment = joined.substr(start, slash - start);
    if (segment == "..") {
      if (segments.empty()) Fail("relationship target outside the package: " + target);
      segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    start = slash + 1;
  }
  std::string part;
  for (const auto& segment : segments) part += (part.empty() ? "" : "/") + segment;
  return part;
}

// Id -> part name of the internal relationships of `source_part`.
std::map<std::string, std::string> ReadRelationships(const ZipReader& package,
                                                     const std::string& source_part,
                                                     std::map<std::string, std::string>* types) {
  const std::string folder = FolderOf(source_part);
  const std::string rels_part = folder + "_rels/" + source_part.substr(folder.size()) + ".rels";
  std::map<std::string, std::string> targets;
  auto bytes = package.Read(rels_part, kMaxPresentationPart);
  if (!bytes) return targets;
  ScanXmlTags(*bytes, [&](const XmlTag& tag) {
    if (tag.end || tag.LocalName() != "Relationship") return;
    const std::string* id = tag.Attribute("Id");
    const std::string* target = tag.Attribute("Target");
    const std::string* mode = tag.Attribute("TargetMode");
    if (id == nullptr || target == nullptr || (mode != nullptr && *mode == "External")) return;
    targets[*id] = ResolveTarget(folder, *target);
    if (types != nullptr) {
      const std::string* type = tag.Attribute("Type");
      (*types)[*id] = type != nullptr ? *type : std::string();
    }
  });
  return targets;
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The main part named by the package relationships; the usual name when
// those are missing.
std::string MainPart(const ZipReader& package) {
  std::map<std::string, std::string> types;
  const auto targets = ReadRelationships(package, "", &types);
  for (const auto& [id, type] : types) {
    if (EndsWith(type, "/officeDocument")) return targets.at(id);
  }
  return "ppt/presentation.xml";
}

// The relationship id of a slide id entry: the one namespaced "id"
// attribute (the unprefixed "id" is the slide's own number).
const std::string* RelationshipIdOf(const XmlTag& tag) {
  for (const auto& [key, value] : tag.attributes) {
    if (key.find(':') != std::string::npos && XmlTag::LocalOf(key) == "id") return &value;
  }
  return nullptr;
}

std::optional<int64_t> AdvanceTime(const std::string& text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  int64_t value = 0;
  for (char ch : text) {
    if (ch < '0' || ch > '9') return std::nullopt;
    value = value * 10 + (ch - '0');
  }
  if (value > 0xFFFFFFFFll) return std::nullopt;
  return value;
}

SlideInfo ReadSlide(const std::string& xml) {
  SlideInfo slide;
  bool root = true;
  ScanXmlTags(xml, [&](const XmlTag& tag) {
    if (tag.end) return;
    if (root) {
      root = false;
      const std::string* show = tag.Attribute("show");
      if (show != nullptr && !XmlTrue(*show)) slide.hidden = true;
    }
    // Alternate-content blocks repeat the transition; the first timing wins.
    if (tag.LocalName() == "transition" && !slide.advance_ms) {
      if (const std::string* advance = tag.Attribute("advTm"))
        slide.advance_ms = AdvanceTime(*advance);
    }
  });
  return slide;
}

}  // namespace

SlideDeck ReadPptxPackage(const ZipReader& package) {
  const std::string main_part = MainPart(package);
  const std::string main_xml = ReadPart(package, main_part);
  std::map<std::string, std::string> types;
  const auto targets = ReadRelationships(package, main_part, &types);

  SlideDeck deck;
  std::vector<std::string> slide_parts;
  ScanXmlTags(main_xml, [&](const XmlTag& tag) {
    if (tag.end || tag.LocalName() != "sldId") return;
    const std::string* rel = RelationshipIdOf(tag);
    if (rel == nullptr) Fail("a slide entry of " + main_part + " has no relationship id");
    const auto target = targets.find(*rel);
    if (target == targets.end()) Fail("slide relationship " + *rel + " is not in the package");
    if (slide_parts.size() >= kMaxSlides)
      Fail("more than " + std::to_string(kMaxSlides) + " slides");
    slide_parts.push_back(target->second);
  });

  // The stored slideshow settings live in the presentation properties part.
  for (const auto& [id, type] : types) {
    if (!EndsWith(type, "/presProps")) continue;
    auto props = package.Read(targets.at(id), kMaxPresentationPart);
    if (!props) break;
    ScanXmlTags(*props, [&](const XmlTag& tag) {
      if (tag.end || tag.LocalName() != "showPr") return;
      if (const std::string* loop = tag.Attribute("loop")) deck.loop = XmlTrue(*loop);
      if (const std::string* timings = tag.Attribute("useTimings")) {
        deck.use_timings = XmlTrue(*timings);
      }
    });
    break;
  }

  for (const auto& part : slide_parts) deck.slides.push_back(ReadSlide(ReadPart(package, part)));
  return deck;
}

}  // namespace zarn
