#include "platform/common/XmlScanner.h"

#include <cstdint>

#include "base/TextCodec.h"
#include "base/VbError.h"
#include "ports/PresentationPort.h"

namespace zarn {
namespace {

bool IsSpace(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; }

bool IsNameEnd(char ch) { return IsSpace(ch) || ch == '=' || ch == '/' || ch == '>'; }

// Decodes the predefined and numeric character references; anything else
// stays as written.
std::string DecodeEntities(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != '&') {
      out += raw[i];
      continue;
    }
    // References are short: looking further would cost a text full of '&'
    // a search of all the rest per '&'.
    const size_t semi_at = raw.substr(i, 11).find(';');
    if (semi_at == std::string_view::npos) {
      out += raw[i];
      continue;
    }
    const size_t semi = i + semi_at;
    const std::string_view entity = raw.substr(i + 1, semi - i - 1);
    char plain = 0;
    if (entity == "amp") plain = '&';
    if (entity == "lt") plain = '<';
    if (entity == "gt") plain = '>';
    if (entity == "quot") plain = '"';
    if (entity == "apos") plain = '\'';
    if (plain != 0) {
      out += plain;
      i = semi;
      continue;
    }
    if (entity.size() > 1 && entity[0] == '#') {
      const bool hex = entity[1] == 'x' || entity[1] == 'X';
      uint32_t code = 0;
      bool valid = entity.size() > (hex ? 2u : 1u);
      for (size_t k = hex ? 2 : 1; k < entity.size() && valid; ++k) {
        const char ch = entity[k];
        int digit = -1;
        if (ch >= '0' && ch <= '9') digit = ch - '0';
        if (hex && ch >= 'a' && ch <= 'f') digit = ch - 'a' + 10;
        if (hex && ch >= 'A' && ch <= 'F') digit = ch - 'A' + 10;
        if (digit < 0) valid = false;
        code = code * (hex ? 16 : 10) + static_cast<uint32_t>(digit < 0 ? 0 : digit);
        if (code > 0x10FFFF) valid = false;
      }
      if (valid && code != 0) {
        AppendUtf8(out, code);
        i = semi;
        continue;
      }
    }
    out += raw[i];
  }
  return out;
}

}  // namespace

std::string_view XmlTag::LocalOf(std::string_view qualified) {
  const size_t colon = qualified.rfind(':');
  return colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
}

const std::string* XmlTag::Attribute(std::string_view local_name) const {
  for (const auto& [key, value] : attributes) {
    if (LocalOf(key) == local_name) return &value;
  }
  return nullptr;
}

void XmlScanner::Malformed(const char* what) const {
  throw VbError(presentation::kFailed,
                std::string("malformed XML (") + what + " at byte " + std::to_string(pos_) + ")");
}

void XmlScanner::SkipPast(std::string_view terminator) {
  const size_t at = text_.find(terminator, pos_);
  if (at == std::string_view::npos) Malformed("unterminated markup");
  pos_ = at + terminator.size();
}

bool XmlScanner::Next(XmlTag& tag) {
  for (;;) {
    const size_t open = text_.find('<', pos_);
    if (open == std::string_view::npos) {
      pos_ = text_.size();
      return false;
    }
    pos_ = open + 1;
    const std::string_view rest = text_.substr(pos_);
    if (rest.substr(0, 3) == "!--") {
      SkipPast("-->");
      continue;
    }
    if (rest.substr(0, 8) == "![CDATA[") {
      SkipPast("]]>");
      continue;
    }
    if (!rest.empty() && (rest[0] == '?' || rest[0] == '!')) {
      SkipPast(">");
      continue;
    }
    break;
  }

  tag = XmlTag{};
  if (pos_ < text_.size() && text_[pos_] == '/') {
    tag.end = true;
    ++pos_;
  }
  const size_t name_start = pos_;
  while (pos_ < text_.size() && !IsNameEnd(text_[pos_])) ++pos_;
  if (pos_ == name_start) Malformed("tag without a name");
  tag.name = std::string(text_.substr(name_start, pos_ - name_start));

  for (;;) {
    while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
    if (pos_ >= text_.size()) Malformed("unterminated tag");
    const char ch = text_[pos_];
    if (ch == '>') {
      ++pos_;
      return true;
    }
    if (ch == '/') {
      if (pos_ + 1 >= text_.size() || text_[pos_ + 1] != '>') Malformed("stray '/'");
      tag.self_closing = true;
      pos_ += 2;
      return true;
    }
    if (tag.end) Malformed("attribute in an end tag");
    const size_t key_start = pos_;
    while (pos_ < text_.size() && !IsNameEnd(text_[pos_])) ++pos_;
    if (pos_ == key_start) Malformed("attribute without a name");
    std::string key(text_.substr(key_start, pos_ - key_start));
    while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
    if (pos_ >= text_.size() || text_[pos_] != '=') Malformed("attribute without a value");
    ++pos_;
    while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
    if (pos_ >= text_.size() || (text_[pos_] != '"' && text_[pos_] != '\'')) {
      Malformed("unquoted attribute value");
    }
    const char quote = text_[pos_++];
    const size_t close = text_.find(quote, pos_);
    if (close == std::string_view::npos) Malformed("unterminated attribute value");
    tag.attributes.emplace_back(std::move(key), DecodeEntities(text_.substr(pos_, close - pos_)));
    pos_ = close + 1;
  }
}

}  // namespace zarn
