#pragma once

#include <cstdint>
#include <fstream>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace zarn {

// Random access to the bytes of a file being probed. Every read is checked
// against the size, so a header that lies about its lengths fails cleanly.
class ProbeSource {
 public:
  virtual ~ProbeSource() = default;
  virtual uint64_t Size() const = 0;
  // Fills `out` from `offset`; false when the bytes are not all there.
  virtual bool Read(uint64_t offset, std::span<uint8_t> out) = 0;
};

class MemoryProbeSource : public ProbeSource {
 public:
  explicit MemoryProbeSource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  uint64_t Size() const override { return bytes_.size(); }
  bool Read(uint64_t offset, std::span<uint8_t> out) override;

 private:
  std::span<const uint8_t> bytes_;
};

class FileProbeSource : public ProbeSource {
 public:
  // None when the file cannot be opened for reading.
  static std::optional<FileProbeSource> Open(const std::string& path);
  uint64_t Size() const override { return size_; }
  bool Read(uint64_t offset, std::span<uint8_t> out) override;

 private:
  FileProbeSource(std::ifstream in, uint64_t size) : in_(std::move(in)), size_(size) {}
  std::ifstream in_;
  uint64_t size_;
};

enum class ProbeFailure { kNone, kCannotRead, kNotValid };

// A probe's answer: what it learned, or why the file is not what it should be.
template <class Info>
struct ProbeOutcome {
  std::optional<Info> info;
  ProbeFailure failure = ProbeFailure::kNone;
  std::string error;

  explicit operator bool() const { return info.has_value(); }
  static ProbeOutcome Valid(Info value) { return ProbeOutcome{std::move(value), {}, {}}; }
  static ProbeOutcome Invalid(std::string why) {
    return ProbeOutcome{std::nullopt, ProbeFailure::kNotValid, std::move(why)};
  }
  static ProbeOutcome Unreadable(std::string why) {
    return ProbeOutcome{std::nullopt, ProbeFailure::kCannotRead, std::move(why)};
  }
};

inline uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t ReadLe32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
inline uint16_t ReadBe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
inline uint32_t ReadBe32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}
inline bool HasTag(const uint8_t* p, const char (&tag)[5]) {
  return p[0] == tag[0] && p[1] == tag[1] && p[2] == tag[2] && p[3] == tag[3];
}

// A RIFF chunk header: four-character id and the size of its data, which
// starts at `data`.
struct RiffChunk {
  uint8_t id[4] = {};
  uint32_t size = 0;
  uint64_t data = 0;
  bool Is(const char (&tag)[5]) const { return HasTag(id, tag); }
  // Where the next chunk starts (data is padded to an even length).
  uint64_t Next() const { return data + size + (size & 1u); }
};

std::optional<RiffChunk> ReadRiffChunk(ProbeSource& source, uint64_t offset);

}  // namespace zarn
