#include "base/FileMatch.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/TextCodec.h"
#include "base/VbString.h"
#include "base/WinPath.h"

namespace zarn {
namespace {

// A folder of absurd size must not make a listing unbounded.
constexpr size_t kMaxEntriesRead = 200000;

// Bytes of the character at `pos`: a whole UTF-8 sequence, or one byte
// when the sequence is broken.
size_t CharLength(std::string_view text, size_t pos) {
  return Utf8PrefixBytes(text.substr(pos), 1);
}

bool SameCharAt(std::string_view name, size_t n, std::string_view pattern, size_t p,
                size_t length) {
  return n + length <= name.size() && name.substr(n, length) == pattern.substr(p, length);
}

}  // namespace

WildcardPattern SplitWildcardPattern(std::string_view pattern) {
  const size_t last = pattern.find_last_of("\\/");
  if (last == std::string_view::npos) return {{}, std::string(pattern)};
  return {std::string(pattern.substr(0, last + 1)), std::string(pattern.substr(last + 1))};
}

bool MatchesWildcard(std::string_view name_text, std::string_view pattern_text) {
  if (pattern_text == "*.*") pattern_text = "*";
  const std::string name = UCase(name_text);
  const std::string pattern = UCase(pattern_text);
  // Greedy match that backs up to the last `*`: time bounded by the product
  // of the lengths, never exponential.
  size_t n = 0, p = 0;
  size_t star_p = std::string::npos, star_n = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star_p = p++;
      star_n = n;
      continue;
    }
    if (p < pattern.size()) {
      const size_t length = CharLength(pattern, p);
      if (pattern[p] == '?') {
        n += CharLength(name, n);
        ++p;
        continue;
      }
      if (SameCharAt(name, n, pattern, p, length)) {
        n += length;
        p += length;
        continue;
      }
    }
    if (star_p == std::string::npos) return false;
    p = star_p + 1;
    star_n += CharLength(name, star_n);
    n = star_n;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::vector<std::string> ListMatchingFiles(std::string_view folder, std::string_view pattern) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  if (pattern.empty()) return names;
  // "C:\Texts\" and "Texts/" name the folder itself; looked up without the
  // trailing separator, which the case-insensitive lookup does not expect.
  while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/')) {
    folder.remove_suffix(1);
  }
  const auto local = FindExisting(folder.empty() ? std::string_view(".") : folder);
  if (!local) return names;

  std::error_code error;
  fs::directory_iterator it(*local, error);
  size_t read = 0;
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    if (++read > kMaxEntriesRead) break;
    std::error_code status_error;
    if (!it->is_regular_file(status_error)) continue;
    std::string name = it->path().filename().string();
    if (MatchesWildcard(name, pattern)) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string ua = UCase(a), ub = UCase(b);
    return ua != ub ? ua < ub : a < b;
  });
  return names;
}

}  // namespace zarn
