#include "platform/common/PresentationFile.h"

#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "base/VbError.h"
#include "platform/common/OdpReader.h"
#include "platform/common/PptxReader.h"
#include "platform/common/ZipReader.h"
#include "ports/PresentationPort.h"

namespace zarn {
namespace {

[[noreturn]] void Fail(const std::string& description) {
  throw VbError(presentation::kFailed, description);
}

std::string ReadHead(const std::string& path, size_t count) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("the file cannot be opened");
  std::string head(count, '\0');
  in.read(head.data(), static_cast<std::streamsize>(count));
  head.resize(static_cast<size_t>(in.gcount()));
  return head;
}

std::string ReadWhole(const std::string& path) {
  std::error_code ec;
  const uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) Fail("the file cannot be opened");
  if (size > kMaxPresentationPart)
    Fail("the file is larger than " + std::to_string(kMaxPresentationPart) + " bytes");
  return ReadHead(path, static_cast<size_t>(size));
}

bool LooksLikeXml(std::string head) {
  if (head.rfind("\xEF\xBB\xBF", 0) == 0) head.erase(0, 3);
  const size_t first = head.find_first_not_of(" \t\r\n");
  return first != std::string::npos && head[first] == '<';
}

const std::string kCompoundFileMagic("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

SlideDeck ReadDeck(const std::string& path) {
  const std::string head = ReadHead(path, 8);
  if (head == kCompoundFileMagic) {
    Fail("it is an old binary presentation (.ppt); save it as .pptx or .odp to show it here");
  }
  if (head.rfind("PK", 0) == 0) {
    ZipReader package(path);
    if (package.Has("content.xml") && !package.Has("_rels/.rels")) return ReadOdpPackage(package);
    if (package.Has("_rels/.rels") || package.Has("ppt/presentation.xml")) {
      return ReadPptxPackage(package);
    }
    Fail("a zip file that is neither an Office Open XML nor an OpenDocument presentation");
  }
  if (LooksLikeXml(head)) return ReadFlatOdp(ReadWhole(path));
  Fail("not a presentation file this presenter knows (.pptx, .ppsx, .odp, .fodp)");
}

}  // namespace

SlideDeck ReadPresentationFile(const std::string& path) {
  try {
    return ReadDeck(path);
  } catch (const VbError& failure) {
    throw VbError(failure.Number(), "cannot read '" + path + "': " + failure.Description());
  }
}

bool IsBinaryPresentation(const std::string& path) {
  try {
    return ReadHead(path, 8) == kCompoundFileMagic;
  } catch (const VbError&) {
    return false;
  }
}

std::optional<int64_t> ParseIsoDuration(const std::string& text) {
  // P[nD][T[nH][nM][n[.n]S]]; fractions only on the seconds.
  if (text.size() < 2 || text.size() > 64 || text[0] != 'P') return std::nullopt;
  double total_ms = 0;
  bool in_time = false;
  bool any = false;
  size_t i = 1;
  while (i < text.size()) {
    if (text[i] == 'T') {
      if (in_time) return std::nullopt;
      in_time = true;
      ++i;
      continue;
    }
    const size_t start = i;
    while (i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.'))
      ++i;
    if (i == start || i >= text.size()) return std::nullopt;
    const std::string number = text.substr(start, i - start);
    if (number.find('.') != number.rfind('.') || number == ".") return std::nullopt;
    const double value = std::stod(number);
    const char unit = text[i++];
    const bool fraction = number.find('.') != std::string::npos;
    double unit_ms = 0;
    if (!in_time && unit == 'D') unit_ms = 86400000.0;
    if (in_time && unit == 'H') unit_ms = 3600000.0;
    if (in_time && unit == 'M') unit_ms = 60000.0;
    if (in_time && unit == 'S') unit_ms = 1000.0;
    if (unit_ms == 0 || (fraction && unit != 'S')) return std::nullopt;
    total_ms += value * unit_ms;
    any = true;
  }
  // A day is more than any slide should wait; longer values are damage.
  if (!any || !(total_ms <= 86400000.0)) return std::nullopt;
  return static_cast<int64_t>(std::llround(total_ms));
}

}  // namespace zarn
