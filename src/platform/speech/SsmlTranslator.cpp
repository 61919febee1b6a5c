#include "platform/speech/SsmlTranslator.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "charengine/SpeechTiming.h"

namespace zarn {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool SameNoCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return i == a.size() && b[i] == '\0';
}

// What the tags have set so far; nothing set means the voice's own.
struct Settings {
  std::optional<int> rate_percent;
  std::optional<int> pitch;
  std::optional<int> volume;
  bool monotone = false;
  bool whisper = false;
  std::string context;  // say-as interpret-as
  bool operator==(const Settings&) const = default;
};

class Writer {
 public:
  explicit Writer(const EspeakVoice& voice) : voice_(voice) {}

  void Item(const SpeechItem& item, const std::vector<SpeechItem>* last) {
    if (!item.tag) {
      Words(item.text, true);
      return;
    }
    const SpeechTag& tag = *item.tag;
    if (!tag.valid) return;
    switch (tag.kind) {
      case SpeechTagKind::kMap:
        Words(tag.text, false, !tag.shown.empty());
        break;
      case SpeechTagKind::kMrk:
        Pause();
        Raw("<mark name=\"" + std::to_string(*tag.number) + "\"/>");
        break;
      case SpeechTagKind::kPau:
        pause_ms_ += std::clamp<int64_t>(*tag.number, 0, kMaxPauseMs);
        break;
      case SpeechTagKind::kSpd: {
        const auto wpm = std::clamp<int64_t>(*tag.number, kEspeakMinRate, kEspeakMaxRate);
        wanted_.rate_percent = static_cast<int>(std::lround(wpm * 100.0 / voice_.rate));
        break;
      }
      case SpeechTagKind::kPit:
        wanted_.pitch = EspeakPitch(*tag.number, voice_.base_pitch_hz);
        break;
      case SpeechTagKind::kVol:
        // 65535 is the listener's full volume: espeak's normal level.
        wanted_.volume = static_cast<int>(
            std::lround(std::clamp<int64_t>(*tag.number, 0, 65535) * 100.0 / 65535));
        break;
      case SpeechTagKind::kEmp:
        emphasis_ = true;
        break;
      case SpeechTagKind::kChr:
        wanted_.monotone = SameNoCase(tag.text, "Monotone");
        wanted_.whisper = SameNoCase(tag.text, "Whisper");
        break;
      case SpeechTagKind::kCtx:
        wanted_.context = SameNoCase(tag.text, "Address")  ? "address"
                          : SameNoCase(tag.text, "E-mail") ? "email"
                                                           : "";
        break;
      case SpeechTagKind::kRst:
        wanted_ = Settings{};
        emphasis_ = false;
        break;
      case SpeechTagKind::kLst:
        if (last == nullptr) break;
        for (const SpeechItem& again : *last) {
          const bool mark = again.tag && again.tag->kind == SpeechTagKind::kMrk;
          const bool repeat = again.tag && again.tag->kind == SpeechTagKind::kLst;
          if (!mark && !repeat) Item(again, nullptr);
        }
        break;
      default:
        break;
    }
  }

  SsmlText Finish() {
    Pause();
    Close();
    return std::move(out_);
  }

 private:
  // Text, one span per word (`each`), or one span for all of it (`whole`).
  void Words(const std::string& text, bool each, bool whole = false) {
    std::optional<int32_t> whole_begin;
    size_t i = 0;
    while (i < text.size()) {
      if (IsBlank(text[i])) {
        Text(std::string(1, text[i++]));
        continue;
      }
      size_t end = i;
      while (end < text.size() && !IsBlank(text[end])) ++end;
      Pause();
      Open();
      const bool emphasised = emphasis_;
      if (emphasised) Raw("<emphasis>");
      emphasis_ = false;
      const int32_t begin = position_;
      Text(text.substr(i, end - i));
      if (each) out_.words.push_back({begin, position_});
      if (!whole_begin) whole_begin = begin;
      if (emphasised) Raw("</emphasis>");
      i = end;
    }
    if (whole) out_.words.push_back({whole_begin.value_or(position_), position_});
  }

  // espeak-ng keeps only the longest of breaks in a row and skips a break
  // before anything else, so pauses are added up here and a leading one
  // follows a mark that names no bookmark.
  void Pause() {
    if (pause_ms_ <= 0) return;
    if (out_.ssml.empty()) Raw("<mark name=\"-\"/>");
    Raw("<break time=\"" + std::to_string(pause_ms_) + "ms\"/>");
    pause_ms_ = 0;
  }

  // Opens the elements the settings need, closing those they no longer do.
  void Open() {
    if (wanted_ == open_) return;
    Close();
    if (wanted_.whisper) {
      Raw("<voice name=\"" + XmlEscape(voice_.language) +
          (voice_.female ? "+whisperf\">" : "+whisper\">"));
      closing_.push_back("</voice>");
    }
    std::string prosody;
    if (wanted_.rate_percent) prosody += " rate=\"" + std::to_string(*wanted_.rate_percent) + "%\"";
    if (wanted_.pitch) prosody += " pitch=\"" + std::to_string(*wanted_.pitch) + "\"";
    if (wanted_.volume) prosody += " volume=\"" + std::to_string(*wanted_.volume) + "\"";
    if (wanted_.monotone) prosody += " range=\"0\"";
    if (!prosody.empty()) {
      Raw("<prosody" + prosody + ">");
      closing_.push_back("</prosody>");
    }
    if (!wanted_.context.empty()) {
      Raw("<say-as interpret-as=\"" + wanted_.context + "\">");
      closing_.push_back("</say-as>");
    }
    open_ = wanted_;
  }

  void Close() {
    while (!closing_.empty()) {
      Raw(closing_.back());
      closing_.pop_back();
    }
    open_ = Settings{};
  }

  void Text(const std::string& text) { Raw(XmlEscape(text)); }

  void Raw(const std::string& ssml) {
    out_.ssml += ssml;
    // Characters, as espeak counts them: every byte but UTF-8 continuations.
    for (char c : ssml) {
      if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++position_;
    }
  }

  const EspeakVoice& voice_;
  SsmlText out_;
  int32_t position_ = 1;
  Settings wanted_;
  Settings open_;
  std::vector<std::string> closing_;
  bool emphasis_ = false;
  int64_t pause_ms_ = 0;
};

}  // namespace

std::string XmlEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

SsmlText TranslateSpeech(const std::vector<SpeechItem>& items, const EspeakVoice& voice,
                         const std::vector<SpeechItem>* last) {
  Writer writer(voice);
  for (const SpeechItem& item : items) writer.Item(item, last);
  return writer.Finish();
}

}  // namespace zarn
