// libFuzzer target over the script file as the profile reader sees it: any
// bytes as a file, decoded, then every value, key list and section a script
// load asks for. Values must come back cut at 4,095 characters and key
// lists at 4,094 (the documented buffer of 4,096), the decoding must round
// trip, and nothing may reach the error trap.

#include <fcntl.h>
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "FuzzTrap.h"
#include "base/TextCodec.h"
#include "core/util/CReg.h"
#include "core/util/ProfileDocument.h"

namespace {

using namespace zarn;
using fuzz::Check;

constexpr size_t kValueChars = 4095;
constexpr size_t kListChars = 4094;
// Each section read scans the whole file, and a value read costs a file
// check; a few of each keep one input fast.
constexpr int kSectionReads = 16;
constexpr size_t kValueReads = 64;

void CheckDecoding(std::string_view bytes, const std::string& text) {
  Check(IsValidUtf8(text), "decoded text is not UTF-8");
  // UTF-16 with a byte-order mark: only valid UTF-8 can be asked of it.
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) return;
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  if (IsValidUtf8(bytes)) {
    Check(text == bytes, "UTF-8 text changed by decoding");
  } else {
    // Windows-1252 round trips; UTF-8 with stray bytes kept some UTF-8
    // sequences, so it has fewer characters than bytes.
    Check(ToWindows1252(text) == bytes || CharCount(text) < bytes.size(),
          "Windows-1252 text does not round trip");
  }
}

std::string ExpectedValue(std::string_view raw) {
  if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') && raw.back() == raw.front()) {
    raw = raw.substr(1, raw.size() - 2);
  }
  return Utf8Left(raw, kValueChars);
}

class Reader {
 public:
  Reader(bErrorTrap::Trap& errors, const std::string& path, const ProfileDocument& document)
      : reg_(errors), path_(path), document_(document) {}

  std::string Value(const std::string& section, const std::string& key) {
    const std::string got = reg_.GetProfile(path_, section, key, std::string("dflt"));
    const auto raw = document_.Value(section, key);
    Check(got == (raw ? ExpectedValue(*raw) : "dflt"), "value differs from the file's");
    Check(CharCount(got) <= kValueChars, "value longer than 4,095 characters");
    return got;
  }

  // The first names of the section's key list.
  std::vector<std::string> Keys(const std::string& section) {
    const std::string got = reg_.GetProfile(path_, section, std::nullopt, std::string());
    const auto names = document_.KeyNames(section);
    std::string whole;
    std::vector<std::string> keys;
    for (std::string_view name : names.value_or(std::vector<std::string_view>{})) {
      whole.append(name);
      whole += '\0';
      if (keys.size() < kValueReads) keys.emplace_back(name);
    }
    if (CharCount(whole) > kValueChars) {
      Check(got == Utf8Left(whole, kListChars), "long key list not cut at 4,094 characters");
    } else {
      Check(got == whole, "key list differs from the file's");
    }
    return keys;
  }

  void Section(const std::string& section) {
    if (section_reads_++ >= kSectionReads) return;
    const std::string got = reg_.GetProfileSection(path_, section);
    Check(got.empty() || got.ends_with("\r\n"), "section text does not end with CR LF");
    Check(got.size() <= document_.Text().size() * 2 + 2, "section text longer than the file");
  }

 private:
  CReg reg_;
  const std::string& path_;
  const ProfileDocument& document_;
  int section_reads_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzz::TrapWatch trap;
  static uint64_t serial = 0;
  const std::string_view bytes = fuzz::AsText(data, size);
  const std::string text = DecodeText(bytes);
  CheckDecoding(bytes, text);

  // The reader keeps a file it has read until the file's size or time
  // changes; each input gets a time of its own.
  const std::string path = fuzz::Scratch::Get().Write("script.zrs", bytes);
  const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(++serial), 0}};
  if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) fuzz::Finding("cannot set the time");
  const ProfileDocument document(text);
  Reader reader(trap.errors, path, document);

  // What a script load reads, in its order.
  const std::string script = "ZARN Script";
  reader.Value(script, "Version");
  reader.Section("Script");
  for (const auto& name : reader.Keys("Variables")) reader.Value("Variables", name);
  reader.Value(script, "PowerPointFile");
  reader.Value(script, "PowerPointAutoAdvance");
  CReg::ZeroOne(reader.Value(script, "PowerPointRepeat"));
  CReg::Range(reader.Value(script, "PowerPointPause"), 0, 60);
  for (const auto& name : reader.Keys("Characters")) {
    reader.Value("Characters", name);
    reader.Value("LanguageIDs", name);
  }
  for (const auto& key : reader.Keys("Bookmarks")) reader.Section("BookmarkScript:" + key);
  reader.Value("Commands", "MenuName");
  for (const auto& key : reader.Keys("Commands")) {
    reader.Value("Commands", key);
    reader.Section("CommandScript:" + key);
  }
  return 0;
}
