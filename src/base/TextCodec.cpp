#include "base/TextCodec.h"

#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <fstream>

#include "base/VbError.h"
#include "base/WinPath.h"

namespace zarn {
namespace {

// 0x80..0x9F; the five bytes Windows leaves undefined map to the C1 controls.
constexpr std::array<uint16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

int32_t NextCodePoint(std::string_view utf8, size_t& pos) {
  const auto lead = static_cast<unsigned char>(utf8[pos]);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  size_t extra = 0;
  uint32_t cp = 0;
  uint32_t min = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1, cp = lead & 0x1F, min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2, cp = lead & 0x0F, min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3, cp = lead & 0x07, min = 0x10000;
  } else {
    ++pos;
    return -static_cast<int32_t>(lead);
  }
  if (utf8.size() - pos <= extra) {
    ++pos;
    return -static_cast<int32_t>(lead);
  }
  for (size_t i = 1; i <= extra; ++i) {
    const auto byte = static_cast<unsigned char>(utf8[pos + i]);
    if (!IsContinuation(byte)) {
      ++pos;
      return -static_cast<int32_t>(lead);
    }
    cp = (cp << 6) | (byte & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return -static_cast<int32_t>(lead);
  }
  pos += extra + 1;
  return static_cast<int32_t>(cp);
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool IsValidUtf8(std::string_view bytes) {
  size_t pos = 0;
  while (pos < bytes.size()) {
    // Runs of plain ASCII are the common case.
    if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
      ++pos;
      continue;
    }
    if (NextCodePoint(bytes, pos) < 0) return false;
  }
  return true;
}

namespace {

void AppendCp1252(std::string& out, unsigned char byte) {
  if (byte < 0x80) {
    out += static_cast<char>(byte);
  } else if (byte < 0xA0) {
    AppendUtf8(out, kCp1252High[byte - 0x80]);
  } else {
    AppendUtf8(out, byte);
  }
}

// Windows editors save "Unicode" as UTF-16 with a byte-order mark; an
// unpaired surrogate becomes U+FFFD and an odd last byte is dropped.
std::string DecodeUtf16(std::string_view bytes, bool big_endian) {
  auto unit = [&](size_t i) -> uint32_t {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    return big_endian ? (uint32_t{a} << 8 | b) : (uint32_t{b} << 8 | a);
  };
  std::string out;
  out.reserve(bytes.size());
  const size_t units = bytes.size() / 2;
  for (size_t i = 0; i < units; ++i) {
    const uint32_t u = unit(2 * i);
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < units) {
      const uint32_t low = unit(2 * i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    AppendUtf8(out, u >= 0xD800 && u < 0xE000 ? 0xFFFD : u);
  }
  return out;
}

// UTF-8 with a stray Windows-1252 byte or two (a file edited in two
// editors): only the bytes that are not UTF-8 are taken as Windows-1252.
// A file with more stray bytes than UTF-8 characters is Windows-1252.
std::string DecodeMostlyUtf8(std::string_view bytes) {
  size_t multibyte = 0;
  size_t invalid = 0;
  for (size_t pos = 0; pos < bytes.size();) {
    if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
      ++pos;
    } else if (NextCodePoint(bytes, pos) < 0) {
      ++invalid;
    } else {
      ++multibyte;
    }
  }
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  if (multibyte <= invalid) {
    for (char ch : bytes) AppendCp1252(out, static_cast<unsigned char>(ch));
    return out;
  }
  for (size_t pos = 0; pos < bytes.size();) {
    const size_t start = pos;
    const int32_t cp = NextCodePoint(bytes, pos);
    if (cp < 0) {
      AppendCp1252(out, static_cast<unsigned char>(bytes[start]));
    } else {
      out.append(bytes.substr(start, pos - start));
    }
  }
  return out;
}

}  // namespace

std::string DecodeText(std::string_view bytes) {
  if (bytes.size() >= 2) {
    const auto b0 = static_cast<unsigned char>(bytes[0]);
    const auto b1 = static_cast<unsigned char>(bytes[1]);
    if (b0 == 0xFF && b1 == 0xFE) return DecodeUtf16(bytes.substr(2), false);
    if (b0 == 0xFE && b1 == 0xFF) return DecodeUtf16(bytes.substr(2), true);
  }
  if (bytes.substr(0, kBom.size()) == kBom) bytes.remove_prefix(kBom.size());
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return DecodeMostlyUtf8(bytes);
}

std::string ReadTextFile(const std::string& path) {
  const std::string local = ToLocalPath(path);
  struct stat info {};
  if (path.empty() || ::stat(local.c_str(), &info) != 0) {
    if (errno == EACCES) Throw(vberr::kPathFileAccess, "Path/File access error");
    Throw(vberr::kFileNotFound, "File not found");
  }
  if (!S_ISREG(info.st_mode)) Throw(vberr::kPathFileAccess, "Path/File access error");
  std::ifstream in(local, std::ios::binary);
  if (!in) Throw(vberr::kPathFileAccess, "Path/File access error");
  std::string bytes;
  bytes.reserve(static_cast<size_t>(info.st_size));
  char buffer[1 << 16];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    bytes.append(buffer, static_cast<size_t>(in.gcount()));
  }
  if (in.bad()) Throw(vberr::kPathFileAccess, "Path/File access error");
  return DecodeText(bytes);
}

size_t CharCount(std::string_view utf8) {
  size_t count = 0;
  for (char ch : utf8) {
    if (!IsContinuation(static_cast<unsigned char>(ch))) ++count;
  }
  return count;
}

size_t Utf8PrefixBytes(std::string_view utf8, size_t chars) {
  size_t pos = 0;
  while (pos < utf8.size() && chars > 0) {
    NextCodePoint(utf8, pos);
    --chars;
  }
  return pos;
}

std::string Utf8Left(std::string_view utf8, size_t chars) {
  return std::string(utf8.substr(0, Utf8PrefixBytes(utf8, chars)));
}

std::string ToWindows1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    const int32_t cp = NextCodePoint(utf8, pos);
    if (cp < 0) {
      out += '?';
    } else if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      out += static_cast<char>(cp);
    } else {
      char mapped = '?';
      for (size_t i = 0; i < kCp1252High.size(); ++i) {
        if (kCp1252High[i] == static_cast<uint32_t>(cp)) {
          mapped = static_cast<char>(0x80 + i);
          break;
        }
      }
      out += mapped;
    }
  }
  return out;
}

std::string ToCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (ch == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (ch == '\n') {
      out += "\r\n";
    } else {
      out += ch;
    }
  }
  return out;
}

}  // namespace zarn
