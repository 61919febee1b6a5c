#include "core/shell/EmbeddedScript.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "core/errortrap/bErrorTrap.h"
#include "core/script/LoadScript.h"
#include "core/shell/Program.h"
#include "ports/EnvironmentPort.h"

namespace zarn {
namespace {

constexpr int kMaxTempNumber = 99999;
// A script is a small text file; a longer tail is not one.
constexpr size_t kMaxEmbeddedText = size_t{64} << 20;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::string TempName(const std::string& folder, int number) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04d", number);
  return folder + "ZARN" + digits + ".TMP";
}

// Everything after the marker up to the end of the file or its first NUL.
std::string ReadEmbeddedText(std::istream& file, int64_t from) {
  file.clear();
  file.seekg(from);
  std::string text;
  char chunk[4096];
  while (file) {
    file.read(chunk, sizeof chunk);
    const auto got = static_cast<size_t>(file.gcount());
    if (got == 0) break;
    const void* nul = std::memchr(chunk, '\0', got);
    const size_t keep = nul ? static_cast<size_t>(static_cast<const char*>(nul) - chunk) : got;
    if (text.size() + keep > kMaxEmbeddedText) {
      Throw(vberr::kOutOfMemory, "Out of memory");
    }
    text.append(chunk, keep);
    if (nul) break;
  }
  return text;
}

}  // namespace

std::string EmbeddedScriptMarker() {
  // Held as 16-bit characters, which never match the single-byte search.
  static const char16_t kWide[] = u"\r\n[QUENTAL_SYSTEMS]\r\n";
  std::string marker;
  for (const char16_t* ch = kWide; *ch != 0; ++ch) marker += static_cast<char>(*ch);
  return marker;
}

std::optional<int64_t> FindEmbeddedScriptMarker(std::istream& file) {
  const std::string marker = EmbeddedScriptMarker();
  const auto marker_length = static_cast<int64_t>(marker.size());
  file.clear();
  file.seekg(0, std::ios::end);
  const int64_t size = file.tellg();
  // Consecutive windows overlap by one byte less than the marker, so a
  // marker across a window boundary lies whole in the next window.
  const int64_t step = kEmbeddedSearchWindow - marker_length + 1;
  std::string window(static_cast<size_t>(kEmbeddedSearchWindow), '\0');
  for (int64_t start = 0; start < size; start += step) {
    file.clear();
    file.seekg(start);
    // Bytes past the end of the file read as NUL.
    std::fill(window.begin(), window.end(), '\0');
    file.read(window.data(), kEmbeddedSearchWindow);
    const auto at = window.find(marker);
    if (at != std::string::npos) return start + static_cast<int64_t>(at);
  }
  return std::nullopt;
}

std::string ReadEmbeddedScript(std::istream& file) {
  const auto at = FindEmbeddedScriptMarker(file);
  if (!at) return std::string();
  return ReadEmbeddedText(file, *at + static_cast<int64_t>(EmbeddedScriptMarker().size()));
}

std::string GetTempFolder(Program& p) {
  ProcedureScope proc{p.errors, "ZARNGlobalX.GetTempFolder"};
  std::string folder;
  proc.Step(10, [&] { folder = p.ports.environment.TempPath(); });
  proc.Step(20, [&] {
    if (folder.empty() || (folder.back() != '/' && folder.back() != '\\')) folder += '/';
  });
  return folder;
}

bool ExtractEmbeddedScript(Program& p) {
  ProcedureScope proc{p.errors, "frmZARN.ExtractEmbeddedScript"};
  std::string text;
  proc.Step(10, [&] {
    std::ifstream file(p.ExePath, std::ios::binary);
    if (!file) Throw(vberr::kFileNotFound, "File not found");
    text = ReadEmbeddedScript(file);
  });
  if (text.empty()) return false;

  // Created exclusively, so a name another process takes meanwhile is skipped
  // and nobody else's file is ever written or deleted.
  std::string temp;
  FilePtr out;
  proc.Step(20, [&] {
    const std::string folder = GetTempFolder(p);
    for (int number = 1; number <= kMaxTempNumber && !out; ++number) {
      const std::string name = TempName(folder, number);
      out.reset(std::fopen(name.c_str(), "wbx"));
      if (out) {
        temp = name;
      } else if (errno != EEXIST) {
        Throw(vberr::kPathFileAccess, "Path/File access error");
      }
    }
    if (!out) Throw(vberr::kPathFileAccess, "Path/File access error");
  });
  if (temp.empty()) return false;
  proc.Step(30, [&] {
    const bool written = std::fwrite(text.data(), 1, text.size(), out.get()) == text.size();
    const bool closed = std::fclose(out.release()) == 0;
    if (!written || !closed) Throw(vberr::kPathFileAccess, "Path/File access error");
  });
  const bool result = LoadScript(p, temp, true);
  proc.Step(40, [&] {
    std::error_code ec;
    std::filesystem::remove(temp, ec);
    if (ec) Throw(vberr::kPathFileAccess, "Path/File access error");
  });
  return result;
}

}  // namespace zarn
