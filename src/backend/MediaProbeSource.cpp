#include "backend/MediaProbeSource.h"

#include <cstring>
#include <filesystem>
#include <system_error>

namespace zarn {

bool MemoryProbeSource::Read(uint64_t offset, std::span<uint8_t> out) {
  if (offset > bytes_.size() || out.size() > bytes_.size() - offset) return false;
  if (!out.empty()) std::memcpy(out.data(), bytes_.data() + offset, out.size());
  return true;
}

std::optional<FileProbeSource> FileProbeSource::Open(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  const uint64_t size = std::filesystem::file_size(path, ec);
  if (ec) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return FileProbeSource(std::move(in), size);
}

bool FileProbeSource::Read(uint64_t offset, std::span<uint8_t> out) {
  if (offset > size_ || out.size() > size_ - offset) return false;
  if (out.empty()) return true;
  in_.clear();
  in_.seekg(static_cast<std::streamoff>(offset));
  in_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
  return in_.gcount() == static_cast<std::streamsize>(out.size());
}

std::optional<RiffChunk> ReadRiffChunk(ProbeSource& source, uint64_t offset) {
  uint8_t header[8];
  if (!source.Read(offset, header)) return std::nullopt;
  RiffChunk chunk;
  std::memcpy(chunk.id, header, 4);
  chunk.size = ReadLe32(header + 4);
  chunk.data = offset + 8;
  return chunk;
}

}  // namespace zarn
