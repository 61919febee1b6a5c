#pragma once

// A loaded character file (.acs, or .acf with its .aca files): the tables are
// read on open, images are decoded on demand.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

// Anything wrong with a character file: the message names what and where.
class CharFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Guid {
  uint32_t data1 = 0;
  uint16_t data2 = 0;
  uint16_t data3 = 0;
  std::array<uint8_t, 8> data4{};

  // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hex.
  std::string ToString() const;
  bool operator==(const Guid&) const = default;
};

struct Color {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  bool operator==(const Color&) const = default;
};

// Character style flags (CharacterInfo::style_flags).
namespace char_style {
inline constexpr uint32_t kVoiceDisabled = 0x00000010;
inline constexpr uint32_t kVoiceEnabled = 0x00000020;
inline constexpr uint32_t kBalloonDisabled = 0x00000100;
inline constexpr uint32_t kBalloonEnabled = 0x00000200;
inline constexpr uint32_t kBalloonSizeToText = 0x00010000;
inline constexpr uint32_t kBalloonAutoHideOff = 0x00020000;
inline constexpr uint32_t kBalloonAutoPaceOff = 0x00040000;
inline constexpr uint32_t kStandardAnimationSet = 0x00100000;
}  // namespace char_style

struct LocalizedInfo {
  uint16_t language_id = 0;  // full LANGID or bare primary language
  std::string name;          // UTF-8
  std::string description;
  std::string extra_data;
  bool operator==(const LocalizedInfo&) const = default;
};

// Default voice. `present` is false for characters without voice output;
// the other fields then keep these defaults.
struct VoiceInfo {
  static constexpr uint32_t kDefaultSpeed = 0xFFFFFFFF;
  static constexpr uint16_t kDefaultPitch = 0xFFFF;

  bool present = false;
  Guid engine_id;
  Guid mode_id;
  uint32_t speed = kDefaultSpeed;  // words per minute
  uint16_t pitch = kDefaultPitch;  // Hz
  bool has_extra = false;          // the fields below were in the file
  uint16_t language_id = 0;
  std::string dialect;
  uint16_t gender = 0;  // 0 neutral, 1 female, 2 male
  uint16_t age = 0;
  std::string style;
  bool operator==(const VoiceInfo&) const = default;
};

// Balloon defaults. `present` is false when the character has the balloon
// disabled; the other fields then keep these defaults.
struct BalloonInfo {
  bool present = false;
  uint8_t lines = 2;
  uint8_t chars_per_line = 28;
  Color text_color{0, 0, 0};
  Color back_color{255, 255, 225};
  Color border_color{0, 0, 0};
  std::string font_name = "MS Sans Serif";
  int32_t font_height = -13;  // LOGFONT convention: negative = glyph height in pixels
  int32_t font_weight = 400;
  bool italic = false;
  uint8_t unknown = 0;
  bool operator==(const BalloonInfo&) const = default;
};

struct TrayIcon {
  int width = 0;  // 0 when the icon's bitmaps could not be read
  int height = 0;
  std::vector<uint8_t> rgba;       // top-down rows, width * height * 4
  std::vector<uint8_t> mask_dib;   // the stored 1-bpp mask bitmap, as in the file
  std::vector<uint8_t> color_dib;  // the stored colour bitmap, as in the file
  bool operator==(const TrayIcon&) const = default;
};

struct State {
  std::string name;                     // as stored (upper case in real files)
  std::vector<std::string> animations;  // animation names (upper case in real files)
  bool operator==(const State&) const = default;
};

enum class TransitionType : uint8_t {
  kReturnAnimation = 0,  // play Animation::return_animation afterwards
  kExitBranches = 1,     // wind down through Frame::exit_frame
  kNone = 2,
};

struct FrameImage {
  uint32_t image_index = 0;
  int16_t x = 0;  // top-left corner in frame coordinates; may be negative
  int16_t y = 0;
  bool operator==(const FrameImage&) const = default;
};

struct Branch {
  uint16_t frame = 0;        // target frame index
  uint16_t probability = 0;  // percent
  bool operator==(const Branch&) const = default;
};

struct MouthOverlay {
  uint8_t shape = 0;     // 0 closed, 1..4 wide open stages, 5 medium, 6 narrow
  bool replace = false;  // true: replaces the frame's first image; false: drawn on top
  uint16_t image_index = 0;
  int16_t x = 0;
  int16_t y = 0;
  uint16_t reference_x = 0;
  uint16_t reference_y = 0;
  uint8_t unknown = 0;
  bool has_region = false;
  std::vector<uint8_t> region;  // raw region block when has_region
  bool operator==(const MouthOverlay&) const = default;
};

// Indices in frames (images, sounds, branch and exit targets, overlay
// images) are kept as stored: check them against the counts before use.
struct Frame {
  static constexpr int16_t kNoExit = -1;    // no exit branch: go on to the next frame
  static constexpr int16_t kExitHere = -2;  // the animation may stop at this frame

  // The first image is the top layer: draw from the last entry to the first.
  std::vector<FrameImage> images;
  int16_t sound_index = -1;  // any negative or out-of-range value means none
  uint16_t duration = 0;     // 1/100 s; 0 advances at once
  int16_t exit_frame = kNoExit;
  std::vector<Branch> branches;
  std::vector<MouthOverlay> overlays;
  bool operator==(const Frame&) const = default;
};

struct Animation {
  std::string name;  // public (mixed-case) name from the animation list
  TransitionType transition = TransitionType::kNone;
  std::string return_animation;  // for kReturnAnimation (upper case in real files)
  std::vector<Frame> frames;

  // Sum of all frame durations in 1/100 s (one straight pass, no branches).
  uint32_t TotalDuration() const;
  bool operator==(const Animation&) const = default;
};

// Everything from the character-info block.
struct CharacterInfo {
  uint16_t version_major = 2;
  uint16_t version_minor = 1;
  Guid guid;
  uint16_t width = 0;  // frame size in pixels
  uint16_t height = 0;
  uint8_t transparent_index = 0;
  uint32_t style_flags = 0;  // char_style bits
  uint16_t animation_set_major = 2;
  uint16_t animation_set_minor = 0;
  VoiceInfo voice;
  BalloonInfo balloon;
  std::vector<Color> palette;  // at most 256 entries
  std::optional<TrayIcon> tray_icon;
  std::vector<State> states;
  std::vector<LocalizedInfo> localized;
  bool operator==(const CharacterInfo&) const = default;
};

struct RegionRect {
  int32_t left = 0;  // right and bottom are exclusive; top-down coordinates
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool operator==(const RegionRect&) const = default;
};

struct DecodedImage {
  int width = 0;  // 0 x 0 for an empty image record
  int height = 0;
  std::vector<uint8_t> indices;    // palette indices, top-down rows, no padding: width * height
  std::vector<uint8_t> rgba;       // top-down rows, width * height * 4; alpha 0 or 255
  std::vector<RegionRect> region;  // opaque outline as stored; empty when none
};

class CharacterFile {
 public:
  // Reads the file; throws CharFileError naming what is wrong.
  static CharacterFile Open(const std::string& path);
  // Reads a character held in memory (tests, fuzzing). A web character's
  // animation files are not looked for: its animations stay empty.
  static CharacterFile FromBytes(std::vector<uint8_t> bytes);

  CharacterFile(CharacterFile&&) noexcept;
  CharacterFile& operator=(CharacterFile&&) noexcept;
  CharacterFile(const CharacterFile&);
  CharacterFile& operator=(const CharacterFile&);
  ~CharacterFile();

  const CharacterInfo& Info() const { return info_; }
  int Width() const { return info_.width; }
  int Height() const { return info_.height; }
  const Guid& Id() const { return info_.guid; }
  const std::vector<Color>& Palette() const { return info_.palette; }
  uint8_t TransparentIndex() const { return info_.transparent_index; }
  // True for the transparent index, any index of the same colour, and any
  // index beyond the palette.
  bool IsTransparent(uint8_t index) const { return transparent_[index]; }
  const VoiceInfo& Voice() const { return info_.voice; }
  const BalloonInfo& Balloon() const { return info_.balloon; }
  const std::vector<State>& States() const { return info_.states; }
  const std::optional<TrayIcon>& Tray() const { return info_.tray_icon; }

  // The entry for the language's primary language (LANGID & 0x3FF), else
  // English, else the first; nullptr when the file has none.
  const LocalizedInfo* Localized(uint16_t language_id = 0x0409) const;
  std::string Name(uint16_t language_id = 0x0409) const;
  std::string Description(uint16_t language_id = 0x0409) const;

  const std::vector<Animation>& Animations() const { return animations_; }
  // Case-insensitive lookups; nullptr when absent.
  const Animation* FindAnimation(std::string_view name) const;
  // Also ignores spaces, so "Idling Level 1" finds IDLINGLEVEL1.
  const State* FindState(std::string_view name) const;

  size_t ImageCount() const;
  // Decodes one image; throws CharFileError when that image is corrupt
  // (the rest of the character stays usable) or the index is out of range.
  DecodedImage DecodeImage(size_t index) const;
  // Same, skipping the region when `with_region` is false.
  DecodedImage DecodeImage(size_t index, bool with_region) const;

  size_t SoundCount() const;
  // The complete RIFF/WAVE file of one sound; throws when out of range.
  std::vector<uint8_t> SoundBytes(size_t index) const;

  // Problems that did not stop loading (for example a missing .aca file).
  const std::vector<std::string>& Warnings() const { return warnings_; }

  struct Source;  // where the images and sounds live (internal)

 private:
  CharacterFile();
  void ComputeTransparency();

  CharacterInfo info_;
  std::vector<Animation> animations_;
  std::array<bool, 256> transparent_{};
  std::vector<std::string> warnings_;
  std::shared_ptr<const Source> source_;

  friend class CharacterReader;
};

}  // namespace zarn
