// libFuzzer target over the presentation readers. The input is a file as
// it is (a .pptx or .odp package, a flat .fodp, anything), or, after
// "ZPKG", a package spelled out as members ("\x01" before each, the name up
// to the first newline), which lets the XML inside be mutated directly, or,
// after "DECK", slide settings that are written as .pptx and .odp and must
// read back the same. A file must give a deck within the limits or
// VbError; nothing else may escape.

#include <zip.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "FuzzSupport.h"
#include "base/VbError.h"
#include "platform/common/PresentationFile.h"
#include "support/slides_TestDecks.h"

namespace {

using namespace zarn;
using fuzz::Check;
using Members = std::vector<std::pair<std::string, std::string>>;

constexpr size_t kMaxDeckSlides = 64;

std::optional<SlideDeck> Read(const std::string& path) {
  try {
    SlideDeck deck = ReadPresentationFile(path);
    Check(deck.slides.size() <= kMaxSlides, "more slides than the limit");
    for (const SlideInfo& slide : deck.slides) {
      Check(!slide.advance_ms || (*slide.advance_ms >= 0 && *slide.advance_ms <= 0xFFFFFFFFll),
            "slide time out of range");
    }
    return deck;
  } catch (const VbError& e) {
    Check(!e.Description().empty(), "a refusal without a reason");
    return std::nullopt;
  }
}

// Like the tests' writer, but stored (quicker), and a member libzip
// refuses is left out.
void WritePackage(const std::string& path, const Members& members) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (archive == nullptr) fuzz::Finding("cannot write a package");
  std::deque<std::string> keep;  // libzip reads the buffers at zip_close
  for (const auto& [name, body] : members) {
    keep.push_back(body);
    zip_source_t* source = zip_source_buffer(archive, keep.back().data(), keep.back().size(), 0);
    if (source == nullptr) continue;
    const zip_int64_t index = zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE);
    if (index < 0) {
      zip_source_free(source);
    } else {
      zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    }
  }
  if (zip_close(archive) != 0) {
    zip_discard(archive);
    fuzz::Finding("cannot write a package");
  }
}

Members SpelledOut(std::string_view text) {
  Members members;
  for (size_t at = text.find('\x01'); at != std::string_view::npos;) {
    const size_t next = text.find('\x01', at + 1);
    const std::string_view member = text.substr(
        at + 1, next == std::string_view::npos ? std::string_view::npos : next - at - 1);
    const size_t newline = member.find('\n');
    if (newline != std::string_view::npos && newline > 0) {
      members.emplace_back(member.substr(0, newline), member.substr(newline + 1));
    }
    at = next;
  }
  return members;
}

void RoundTrip(std::string_view settings, const std::string& path) {
  testing::TestDeck deck;
  if (settings.empty()) return;
  deck.use_timings = settings[0] & 1;
  deck.loop = settings[0] & 2;
  for (size_t i = 1; i < settings.size() && deck.slides.size() < kMaxDeckSlides; ++i) {
    const auto b = static_cast<uint8_t>(settings[i]);
    testing::TestSlide slide;
    slide.hidden = b & 1;
    if (b & 2) slide.advance_ms = (b >> 2) * 250 + (b & 1) * 3;
    deck.slides.push_back(slide);
  }
  for (const bool pptx : {true, false}) {
    WritePackage(path,
                 pptx ? testing::PptxMembers(deck)
                      : Members{{"mimetype", "application/vnd.oasis.opendocument.presentation"},
                                {"content.xml", testing::OdpContent(deck)}});
    const auto read = Read(path);
    Check(read.has_value(), "a written deck is refused");
    Check(read->slides.size() == deck.slides.size() && read->loop == deck.loop &&
              read->use_timings == deck.use_timings,
          "a written deck reads differently");
    for (size_t i = 0; i < deck.slides.size(); ++i) {
      const auto& want = deck.slides[i];
      const auto& got = read->slides[i];
      Check(got.hidden == want.hidden && got.advance_ms.has_value() == want.advance_ms.has_value(),
            "a written slide reads differently");
      if (want.advance_ms) Check(*got.advance_ms == *want.advance_ms, "a written time differs");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input = fuzz::AsText(data, size);
  const fuzz::Scratch& scratch = fuzz::Scratch::Get();
  const std::string path = scratch.Folder() + "/deck";
  if (input.starts_with("DECK")) {
    RoundTrip(input.substr(4), path);
  } else if (input.starts_with("ZPKG")) {
    WritePackage(path, SpelledOut(input.substr(4)));
    Read(path);
  } else {
    scratch.Write("deck", input);
    Read(path);
  }
  return 0;
}
