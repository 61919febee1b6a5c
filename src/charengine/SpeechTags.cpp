#include "charengine/SpeechTags.h"

#include <array>
#include <cctype>
#include <limits>
#include <utility>

#include "base/VbString.h"

namespace zarn {
namespace {

struct KnownTag {
  const char* name;
  SpeechTagKind kind;
};

constexpr std::array<KnownTag, 24> kKnownTags{{
    {"Chr", SpeechTagKind::kChr},
    {"Ctx", SpeechTagKind::kCtx},
    {"Emp", SpeechTagKind::kEmp},
    {"Lst", SpeechTagKind::kLst},
    {"Map", SpeechTagKind::kMap},
    {"Mrk", SpeechTagKind::kMrk},
    {"Pau", SpeechTagKind::kPau},
    {"Pit", SpeechTagKind::kPit},
    {"Rst", SpeechTagKind::kRst},
    {"Spd", SpeechTagKind::kSpd},
    {"Vol", SpeechTagKind::kVol},
    {"Com", SpeechTagKind::kEngineSpecific},
    {"Dem", SpeechTagKind::kEngineSpecific},
    {"Eng", SpeechTagKind::kEngineSpecific},
    {"Pra", SpeechTagKind::kEngineSpecific},
    {"Prn", SpeechTagKind::kEngineSpecific},
    {"Pro", SpeechTagKind::kEngineSpecific},
    {"Prt", SpeechTagKind::kEngineSpecific},
    {"RmS", SpeechTagKind::kEngineSpecific},
    {"RmW", SpeechTagKind::kEngineSpecific},
    {"RPit", SpeechTagKind::kEngineSpecific},
    {"RPrn", SpeechTagKind::kEngineSpecific},
    {"RSpd", SpeechTagKind::kEngineSpecific},
    {"Vce", SpeechTagKind::kEngineSpecific},
}};

bool IsLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

// A decimal integer with an optional sign and nothing else.
std::optional<int64_t> ParseInteger(std::string_view text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    if (value > (std::numeric_limits<int64_t>::max() - 9) / 10) return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  return negative ? -value : value;
}

// Reads one double-quoted string at `pos` (a doubled backslash inside it is
// one backslash) and moves `pos` past it.
std::optional<std::string> ReadQuoted(std::string_view text, size_t& pos) {
  if (pos >= text.size() || text[pos] != '"') return std::nullopt;
  std::string out;
  for (size_t i = pos + 1; i < text.size(); ++i) {
    if (text[i] == '"') {
      pos = i + 1;
      return out;
    }
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\\') ++i;
    out += text[i];
  }
  return std::nullopt;
}

std::optional<std::string> ReadSingleQuoted(std::string_view value) {
  size_t pos = 0;
  auto quoted = ReadQuoted(value, pos);
  if (!quoted || pos != value.size()) return std::nullopt;
  return quoted;
}

bool OneOf(std::string_view value, std::initializer_list<const char*> choices) {
  for (const char* choice : choices) {
    if (EqualsNoCase(value, choice)) return true;
  }
  return false;
}

// Gives the tag its kind and checks its parameter.
SpeechTag DescribeTag(std::string_view body) {
  SpeechTag tag;
  tag.raw = std::string(body);
  size_t name_end = 0;
  while (name_end < body.size() && IsLetter(body[name_end])) ++name_end;
  tag.name = std::string(body.substr(0, name_end));
  std::string_view rest = body.substr(name_end);
  for (const KnownTag& known : kKnownTags) {
    if (EqualsNoCase(tag.name, known.name)) tag.kind = known.kind;
  }
  const bool has_value = !rest.empty() && rest.front() == '=';
  const std::string_view value = has_value ? rest.substr(1) : std::string_view{};
  switch (tag.kind) {
    case SpeechTagKind::kEmp:
    case SpeechTagKind::kLst:
    case SpeechTagKind::kRst:
      tag.valid = rest.empty();
      break;
    case SpeechTagKind::kMrk:
    case SpeechTagKind::kPau:
    case SpeechTagKind::kPit:
    case SpeechTagKind::kSpd:
    case SpeechTagKind::kVol:
      tag.number = has_value ? ParseInteger(value) : std::nullopt;
      tag.valid = tag.number.has_value();
      break;
    case SpeechTagKind::kChr:
    case SpeechTagKind::kCtx: {
      auto quoted = has_value ? ReadSingleQuoted(value) : std::nullopt;
      const bool known_value = quoted && (tag.kind == SpeechTagKind::kChr
                                              ? OneOf(*quoted, {"Normal", "Monotone", "Whisper"})
                                              : OneOf(*quoted, {"Address", "E-mail", "Unknown"}));
      tag.valid = known_value;
      if (quoted) tag.text = *quoted;
      break;
    }
    case SpeechTagKind::kMap: {
      size_t pos = 0;
      std::optional<std::string> spoken, shown;
      if (has_value) spoken = ReadQuoted(value, pos);
      if (spoken && pos < value.size() && value[pos] == '=') {
        ++pos;
        shown = ReadQuoted(value, pos);
      }
      tag.valid = spoken && shown && pos == value.size();
      if (tag.valid) {
        tag.text = *spoken;
        tag.shown = *shown;
      }
      break;
    }
    case SpeechTagKind::kEngineSpecific:
      break;
    case SpeechTagKind::kUnknown:
      tag.valid = false;
      break;
  }
  return tag;
}

// The index of the backslash that closes a tag opened at `open`, or npos.
// Inside a quoted parameter a doubled backslash is a literal one.
size_t FindTagEnd(std::string_view text, size_t open) {
  bool quoted = false;
  for (size_t i = open + 1; i < text.size(); ++i) {
    if (text[i] == '"') {
      quoted = !quoted;
    } else if (text[i] == '\\') {
      if (quoted && i + 1 < text.size() && text[i + 1] == '\\') {
        ++i;
        continue;
      }
      return i;
    }
  }
  return std::string_view::npos;
}

}  // namespace

std::vector<SpeechItem> ParseSpeechTags(std::string_view text) {
  std::vector<SpeechItem> items;
  // Most speech has no tag at all: one run, no copy byte by byte.
  if (text.find('\\') == std::string_view::npos) {
    if (!text.empty()) items.push_back({std::string(text), nullptr});
    return items;
  }
  std::string run;
  auto flush = [&] {
    if (!run.empty()) items.push_back({std::move(run), nullptr});
    run.clear();
  };
  size_t i = 0;
  while (i < text.size()) {
    const size_t slash = text.find('\\', i);
    if (slash == std::string_view::npos) {
      run.append(text.substr(i));
      break;
    }
    run.append(text.substr(i, slash - i));
    i = slash;
    if (i + 1 < text.size() && text[i + 1] == '\\') {
      run += '\\';
      i += 2;
      continue;
    }
    const size_t end = FindTagEnd(text, i);
    if (end == std::string_view::npos) {
      // No closing backslash: not a tag, so the rest is plain text.
      run.append(text.substr(i));
      break;
    }
    flush();
    items.push_back(
        {{}, std::make_shared<const SpeechTag>(DescribeTag(text.substr(i + 1, end - i - 1)))});
    i = end + 1;
  }
  flush();
  return items;
}

std::vector<std::string> SplitAlternatives(std::string_view text) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t bar = text.find('|', start);
    parts.emplace_back(text.substr(start, bar - start));
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  return parts;
}

namespace {

std::string JoinText(const std::vector<SpeechItem>& items, bool spoken) {
  std::string out;
  for (const SpeechItem& item : items) {
    if (!item.tag) {
      out += item.text;
    } else if (item.tag->kind == SpeechTagKind::kMap && item.tag->valid) {
      out += spoken ? item.tag->text : item.tag->shown;
    }
  }
  return out;
}

}  // namespace

std::string SpokenText(const std::vector<SpeechItem>& items) { return JoinText(items, true); }
std::string BalloonText(const std::vector<SpeechItem>& items) { return JoinText(items, false); }

}  // namespace zarn
