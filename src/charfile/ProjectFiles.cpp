#include "charfile/ProjectFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "charfile/CharacterFile.h"

namespace zarn::charfile {
namespace {

namespace fs = std::filesystem;

constexpr uintmax_t kMaxFileSize = 64u << 20;

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return s;
}

}  // namespace

std::vector<uint8_t> ReadProjectFile(const std::string& path) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) throw CharFileError(path + ": is a folder");
  const uintmax_t size = fs::file_size(path, ec);
  if (!ec && size > kMaxFileSize) throw CharFileError(path + ": larger than 64 MB");
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) throw CharFileError(path + ": cannot open: " + std::strerror(errno));
  std::vector<uint8_t> bytes;
  uint8_t chunk[1 << 16];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
    if (bytes.size() + got > kMaxFileSize) {
      std::fclose(f);
      throw CharFileError(path + ": larger than 64 MB");
    }
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) throw CharFileError(path + ": read error");
  return bytes;
}

void WriteProjectFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wbx");
  if (f == nullptr) throw CharFileError(path + ": cannot create: " + std::strerror(errno));
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = std::fclose(f) == 0 && ok;
  if (!ok) throw CharFileError(path + ": cannot write the file");
}

namespace {

std::optional<std::string> FindRelative(const std::string& folder, const std::string& relative) {
  std::error_code ec;
  fs::path exact = fs::path(folder) / relative;
  if (fs::is_regular_file(exact, ec)) return exact.string();
  // Windows names ignore letter case: look for each part in any case.
  fs::path at = folder;
  for (const auto& part : fs::path(relative).relative_path()) {
    if (part == "." || part.empty()) continue;
    if (part == "..") {
      at /= part;
      continue;
    }
    if (fs::exists(at / part, ec)) {
      at /= part;
      continue;
    }
    std::optional<fs::path> found;
    const std::string want = Lower(part.string());
    for (const auto& entry : fs::directory_iterator(at, ec)) {
      if (Lower(entry.path().filename().string()) == want) {
        found = entry.path();
        break;
      }
    }
    if (!found) return std::nullopt;
    at = *found;
  }
  if (!fs::is_regular_file(at, ec)) return std::nullopt;
  return at.string();
}

}  // namespace

std::optional<std::string> FindProjectFile(const std::string& folder, const std::string& name) {
  std::string relative = name;
  for (char& c : relative) {
    if (c == '\\') c = '/';
  }
  if (auto found = FindRelative(folder, relative)) return found;
  // A project moved from another computer may name "C:\...\Images\x.bmp":
  // try the path's shorter and shorter tails below the project's folder.
  for (size_t slash = relative.find('/'); slash != std::string::npos;
       slash = relative.find('/', slash + 1)) {
    if (auto found = FindRelative(folder, relative.substr(slash + 1))) return found;
  }
  return std::nullopt;
}

}  // namespace zarn::charfile
