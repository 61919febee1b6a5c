#include "charfile/CharacterFile.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "charfile/CharacterSource.h"
#include "charfile/Decompressor.h"

namespace zarn {
namespace {

// Bigger than any real character by far; stops a wrong path from reading a
// disk image into memory.
constexpr uintmax_t kMaxFileSize = 256u << 20;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b, bool ignore_spaces) {
  size_t i = 0, j = 0;
  for (;;) {
    if (ignore_spaces) {
      while (i < a.size() && a[i] == ' ') ++i;
      while (j < b.size() && b[j] == ' ') ++j;
    }
    if (i == a.size() || j == b.size()) return i == a.size() && j == b.size();
    if (Lower(a[i++]) != Lower(b[j++])) return false;
  }
}

[[noreturn]] void ThrowTooLarge(const std::string& path) {
  throw CharFileError(path + ": larger than " + std::to_string(kMaxFileSize >> 20) +
                      " MB, not a character file");
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    throw CharFileError(path + ": is a folder, not a character file");
  }
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) throw CharFileError(path + ": cannot open: " + std::strerror(errno));
  // One buffer of the file's length, read in one go: growing it while
  // reading copies the file over and over.
  std::vector<uint8_t> bytes;
  const uintmax_t size = std::filesystem::file_size(path, ec);
  if (!ec && size > kMaxFileSize) {
    std::fclose(f);
    ThrowTooLarge(path);
  }
  if (!ec) bytes.resize(static_cast<size_t>(size));
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
  // Whatever lies beyond that size: a file that grew, or one without a
  // size (a pipe).
  uint8_t chunk[1 << 16];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
    if (bytes.size() + got > kMaxFileSize) {
      std::fclose(f);
      ThrowTooLarge(path);
    }
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) throw CharFileError(path + ": read error");
  return bytes;
}

}  // namespace

std::string Guid::ToString() const {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", data1,
                data2, data3, data4[0], data4[1], data4[2], data4[3], data4[4], data4[5], data4[6],
                data4[7]);
  return text;
}

uint32_t Animation::TotalDuration() const {
  uint32_t total = 0;
  for (const auto& frame : frames) total += frame.duration;
  return total;
}

CharacterFile::CharacterFile() = default;
CharacterFile::CharacterFile(CharacterFile&&) noexcept = default;
CharacterFile& CharacterFile::operator=(CharacterFile&&) noexcept = default;
CharacterFile::CharacterFile(const CharacterFile&) = default;
CharacterFile& CharacterFile::operator=(const CharacterFile&) = default;
CharacterFile::~CharacterFile() = default;

CharacterFile CharacterFile::Open(const std::string& path) {
  std::vector<uint8_t> bytes = ReadWholeFile(path);
  size_t slash = path.find_last_of('/');
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
  try {
    return CharacterReader::Read(std::move(bytes), folder);
  } catch (const CharFileError& e) {
    throw CharFileError(path + ": " + e.what());
  }
}

CharacterFile CharacterFile::FromBytes(std::vector<uint8_t> bytes) {
  return CharacterReader::Read(std::move(bytes), "");
}

void CharacterFile::ComputeTransparency() {
  const auto& palette = info_.palette;
  uint8_t t = info_.transparent_index;
  for (size_t i = 0; i < 256; ++i) {
    transparent_[i] =
        i >= palette.size() || i == t || (t < palette.size() && palette[i] == palette[t]);
  }
}

const LocalizedInfo* CharacterFile::Localized(uint16_t language_id) const {
  const auto& list = info_.localized;
  if (list.empty()) return nullptr;
  for (uint16_t primary : {static_cast<uint16_t>(language_id & 0x3FF), uint16_t{0x09}}) {
    for (const auto& entry : list) {
      if ((entry.language_id & 0x3FF) == primary) return &entry;
    }
  }
  return &list.front();
}

std::string CharacterFile::Name(uint16_t language_id) const {
  const LocalizedInfo* info = Localized(language_id);
  return info ? info->name : std::string();
}

std::string CharacterFile::Description(uint16_t language_id) const {
  const LocalizedInfo* info = Localized(language_id);
  return info ? info->description : std::string();
}

const Animation* CharacterFile::FindAnimation(std::string_view name) const {
  for (const auto& animation : animations_) {
    if (EqualNoCase(animation.name, name, false)) return &animation;
  }
  return nullptr;
}

const State* CharacterFile::FindState(std::string_view name) const {
  for (const auto& state : info_.states) {
    if (EqualNoCase(state.name, name, true)) return &state;
  }
  return nullptr;
}

size_t CharacterFile::ImageCount() const { return source_ ? source_->images.size() : 0; }
size_t CharacterFile::SoundCount() const { return source_ ? source_->sounds.size() : 0; }

std::vector<uint8_t> CharacterFile::SoundBytes(size_t index) const {
  if (index >= SoundCount()) {
    throw CharFileError("sound " + std::to_string(index) + " does not exist (the character has " +
                        std::to_string(SoundCount()) + ")");
  }
  const auto& r = source_->sounds[index];
  const auto& buffer = source_->buffers[r.buffer];
  return std::vector<uint8_t>(buffer.begin() + static_cast<ptrdiff_t>(r.offset),
                              buffer.begin() + static_cast<ptrdiff_t>(r.offset + r.length));
}

DecodedImage CharacterFile::DecodeImage(size_t index) const { return DecodeImage(index, true); }

}  // namespace zarn
