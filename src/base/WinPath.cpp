#include "base/WinPath.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>
#include <vector>

#include "base/VbString.h"

namespace zarn {
namespace {

// A hostile path must not make a lookup slow: limits on the folders walked
// and on the entries read.
constexpr size_t kMaxComponents = 128;
constexpr size_t kMaxEntriesRead = 200000;
constexpr size_t kMaxPathBytes = 4096;

bool Exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

// The name in `folder` equal to `name` without regard to case; the smallest
// in byte order when several differ only in case, so the answer is stable.
std::optional<std::string> MatchInFolder(const std::string& folder, std::string_view name,
                                         size_t& budget) {
  std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.empty() ? "." : folder.c_str()));
  if (!dir) return std::nullopt;
  const std::string wanted = UCase(name);
  std::optional<std::string> best;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (budget == 0) return std::nullopt;
    --budget;
    const std::string_view candidate = entry->d_name;
    if (candidate.size() != name.size() || UCase(candidate) != wanted) continue;
    if (!best || candidate < *best) best = std::string(candidate);
  }
  return best;
}

struct Resolution {
  std::string path;
  bool complete = false;
};

Resolution Resolve(std::string_view raw) {
  std::string slashed = SlashPath(raw);
  if (slashed.empty() || HasDriveLetter(slashed)) return {slashed, false};
  if (slashed.find('\0') != std::string::npos) return {slashed, false};
  if (Exists(slashed)) return {slashed, true};
  if (slashed.size() > kMaxPathBytes) return {slashed, false};

  std::vector<std::string_view> parts;
  std::string_view rest = slashed;
  while (!rest.empty()) {
    const size_t slash = rest.find('/');
    parts.push_back(rest.substr(0, slash));
    rest = slash == std::string_view::npos ? std::string_view{} : rest.substr(slash + 1);
  }
  if (parts.size() > kMaxComponents) return {slashed, false};
  const bool trailing_slash = slashed.back() == '/';

  std::string found;  // resolved so far, without a trailing slash unless it is "/"
  size_t index = 0;
  if (slashed.front() == '/') {
    found = "/";
    index = 1;  // the empty part before the leading slash
  }
  size_t budget = kMaxEntriesRead;
  auto join = [](const std::string& base, std::string_view part) {
    if (base.empty()) return std::string(part);
    if (base.back() == '/') return base + std::string(part);
    return base + "/" + std::string(part);
  };
  for (; index < parts.size(); ++index) {
    const std::string_view part = parts[index];
    if (part.empty()) continue;  // doubled separators
    std::string next = join(found, part);
    if (!Exists(next)) {
      if (part == "." || part == ".." || !IsDirectory(found.empty() ? "." : found)) break;
      const auto match = MatchInFolder(found, part, budget);
      if (!match) break;
      next = join(found, *match);
    }
    found = std::move(next);
  }
  if (index == parts.size()) {
    if (trailing_slash && !found.empty() && found.back() != '/') found += '/';
    return {found, Exists(found)};
  }
  // Keep what was found and the rest as written.
  std::string out = found;
  for (; index < parts.size(); ++index) out = join(out, parts[index]);
  if (trailing_slash) out += '/';
  return {out, false};
}

}  // namespace

std::string SlashPath(std::string_view path) {
  std::string out(path);
  for (char& ch : out) {
    if (ch == '\\') ch = '/';
  }
  return out;
}

bool HasDriveLetter(std::string_view path) {
  if (path.size() < 2 || path[1] != ':') return false;
  const char letter = path[0];
  if (!((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z'))) return false;
  return path.size() == 2 || path[2] == '\\' || path[2] == '/';
}

std::string ToLocalPath(std::string_view path) { return Resolve(path).path; }

std::optional<std::string> FindExisting(std::string_view path) {
  Resolution found = Resolve(path);
  if (!found.complete) return std::nullopt;
  return std::move(found.path);
}

}  // namespace zarn
