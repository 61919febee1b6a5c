#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zarn {

struct SlideInfo {
  bool hidden = false;
  // Milliseconds until the show moves on by itself; none for a slide that
  // waits to be advanced.
  std::optional<int64_t> advance_ms;
};

// What the presentation show needs of a presentation: its slides in
// presentation order and the slideshow settings stored with it.
struct SlideDeck {
  std::vector<SlideInfo> slides;
  bool use_timings = true;  // advance mode "use slide timings"
  bool loop = false;        // loop until stopped
};

// Upper bounds that keep a damaged or hostile file from sizing allocations.
inline constexpr uint64_t kMaxPresentationPart = 64ull << 20;
inline constexpr size_t kMaxSlides = 10000;

// Reads a .pptx/.ppsx (and the other Office Open XML presentation
// packages), an .odp or a flat .fodp. Throws VbError with a description of
// why the file cannot be shown; an old binary .ppt is refused.
SlideDeck ReadPresentationFile(const std::string& path);

// Whether the file is an old binary (OLE compound) presentation, which only
// a conversion can read; false when it cannot be read at all.
bool IsBinaryPresentation(const std::string& path);

// "PT00H00M03S", "PT3.072S", "P0DT1M" ... as milliseconds; none when the
// text is not a duration or is out of range.
std::optional<int64_t> ParseIsoDuration(const std::string& text);

}  // namespace zarn
