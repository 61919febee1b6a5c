#include "platform/speech/FliteSpeech.h"

#include <algorithm>
#include <optional>

#include "charengine/SpeechTiming.h"

namespace zarn {
namespace {

constexpr double kEmphasisStretch = 1.15;
constexpr double kEmphasisPitch = 1.12;

class FliteWriter {
 public:
  FliteWriter(const FliteVoiceInfo& voice, int wpm, int pitch_hz)
      : voice_(voice), base_wpm_(wpm), base_pitch_hz_(pitch_hz) {}

  void Item(const SpeechItem& item, const std::vector<SpeechItem>* last, bool counted) {
    if (!item.tag) {
      for (const std::string& word : SplitWords(item.text)) Word(word, counted ? word_++ : -1);
      return;
    }
    const SpeechTag& tag = *item.tag;
    if (!tag.valid) return;
    switch (tag.kind) {
      case SpeechTagKind::kMap: {
        const int32_t shown = counted && !tag.shown.empty() ? word_++ : -1;
        for (const std::string& word : SplitWords(tag.text)) Word(word, shown);
        break;
      }
      case SpeechTagKind::kMrk:
        Push({FlitePiece::Kind::kMark, "", {}, 0, static_cast<int32_t>(*tag.number)});
        break;
      case SpeechTagKind::kPau: {
        const int64_t ms = std::clamp<int64_t>(*tag.number, 0, kMaxPauseMs);
        if (!pieces_.empty() && pieces_.back().kind == FlitePiece::Kind::kPause) {
          pieces_.back().pause_ms += ms;
        } else {
          Push({FlitePiece::Kind::kPause, "", {}, ms});
        }
        break;
      }
      case SpeechTagKind::kSpd:
        wpm_ = static_cast<int>(
            std::clamp<int64_t>(*tag.number, kMinWordsPerMinute, kMaxWordsPerMinute));
        break;
      case SpeechTagKind::kPit:
        pitch_hz_ = static_cast<int>(std::clamp<int64_t>(*tag.number, 20, 1000));
        break;
      case SpeechTagKind::kVol:
        volume_ = static_cast<double>(std::clamp<int64_t>(*tag.number, 0, 65535)) / 65535;
        break;
      case SpeechTagKind::kEmp:
        emphasis_ = true;
        break;
      case SpeechTagKind::kRst:
        wpm_.reset();
        pitch_hz_.reset();
        volume_ = 1.0;
        emphasis_ = false;
        break;
      case SpeechTagKind::kLst:
        if (last == nullptr) break;
        for (const SpeechItem& again : *last) {
          const bool skip = again.tag && (again.tag->kind == SpeechTagKind::kMrk ||
                                          again.tag->kind == SpeechTagKind::kLst);
          if (!skip) Item(again, nullptr, false);
        }
        break;
      default:
        break;
    }
  }

  std::vector<FlitePiece> Finish() { return std::move(pieces_); }

 private:
  void Word(const std::string& word, int32_t shown) {
    FlitePiece settings;
    settings.stretch = static_cast<double>(voice_.natural_wpm) / wpm_.value_or(base_wpm_);
    const int hz = pitch_hz_.value_or(base_pitch_hz_);
    settings.pitch_scale = hz > 0 ? static_cast<double>(hz) / voice_.mean_hz : 1.0;
    settings.volume = volume_;
    const bool emphasised = emphasis_;
    if (emphasised) {
      settings.stretch *= kEmphasisStretch;
      settings.pitch_scale *= kEmphasisPitch;
      emphasis_ = false;
    }
    FlitePiece* open = pieces_.empty() ? nullptr : &pieces_.back();
    const bool same = open != nullptr && open->kind == FlitePiece::Kind::kText &&
                      open->stretch == settings.stretch &&
                      open->pitch_scale == settings.pitch_scale && open->volume == settings.volume;
    // An emphasised word stands alone, and so does the word after it.
    if (!same || emphasised || last_emphasised_) {
      Push(settings);
      open = &pieces_.back();
    }
    last_emphasised_ = emphasised;
    if (!open->text.empty()) open->text += ' ';
    open->text += word;
    open->words.push_back(shown);
  }

  void Push(FlitePiece piece) { pieces_.push_back(std::move(piece)); }

  const FliteVoiceInfo& voice_;
  const int base_wpm_;
  const int base_pitch_hz_;
  std::optional<int> wpm_;
  std::optional<int> pitch_hz_;
  double volume_ = 1.0;
  bool emphasis_ = false;
  bool last_emphasised_ = false;
  int32_t word_ = 0;
  std::vector<FlitePiece> pieces_;
};

}  // namespace

std::vector<FlitePiece> TranslateForFlite(const std::vector<SpeechItem>& items,
                                          const FliteVoiceInfo& voice, int wpm, int pitch_hz,
                                          const std::vector<SpeechItem>* last) {
  FliteWriter writer(voice, wpm, pitch_hz);
  for (const SpeechItem& item : items) writer.Item(item, last, true);
  return writer.Finish();
}

}  // namespace zarn
