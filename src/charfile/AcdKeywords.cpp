// The value spellings of .acd projects that reading and writing share.

#include <array>

#include "charfile/AcdText.h"

namespace zarn::charfile {
namespace {

constexpr std::array<std::string_view, 7> kMouthNames = {
    "Closed", "OpenWide1", "OpenWide2", "OpenWide3", "OpenWide4", "OpenMedium", "OpenNarrow"};

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

const StyleName kStyleNames[] = {
    {"AXS_VOICE_NONE", char_style::kVoiceDisabled},
    {"AXS_VOICE_TTS", char_style::kVoiceEnabled},
    {"AXS_BALLOON_NONE", char_style::kBalloonDisabled},
    {"AXS_BALLOON_ROUNDRECT", char_style::kBalloonEnabled},
    {"AXS_BALLOON_SIZETOTEXT", char_style::kBalloonSizeToText},
    {"AXS_BALLOON_NOAUTOHIDE", char_style::kBalloonAutoHideOff},
    {"AXS_BALLOON_NOAUTOPACE", char_style::kBalloonAutoPaceOff},
    {"AXS_SYSTEM_CHAR", char_style::kStandardAnimationSet},
};
const size_t kStyleNameCount = sizeof kStyleNames / sizeof kStyleNames[0];

std::string_view MouthName(uint8_t shape) {
  return shape < kMouthNames.size() ? kMouthNames[shape] : std::string_view();
}

std::optional<uint8_t> MouthShape(std::string_view name) {
  for (size_t i = 0; i < kMouthNames.size(); ++i) {
    if (SameNoCase(kMouthNames[i], name)) return static_cast<uint8_t>(i);
  }
  return std::nullopt;
}

}  // namespace zarn::charfile
