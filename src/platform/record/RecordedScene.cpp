#include "platform/record/RecordedScene.h"

#include <algorithm>
#include <iostream>

#include "backend/WaveDecoder.h"
#include "charengine/CharacterEngine.h"
#include "platform/record/AudioMix.h"
#include "platform/render/CharacterPicture.h"
#include "platform/render/SpeechSound.h"

namespace zarn {
namespace {

// Without a speech engine a word opens the mouth this long.
constexpr Millis kWordMouthMs = 150;

PcmAudio SpeechPcm(SynthesizedSpeech& audio) {
  PcmAudio pcm;
  pcm.channels = 1;
  pcm.sample_rate = SynthesizedSpeech::kSampleRate;
  pcm.samples = std::move(audio.samples);
  return pcm;
}

}  // namespace

struct RecordedScene::Shown {
  std::string id;
  bool visible = false;
  const CharacterModel* model = nullptr;
  const Frame* frame = nullptr;
  // Where it stands, or slides from `from` to `to` over [slide_start, slide_end).
  QPoint from;
  QPoint to;
  Millis slide_start = 0;
  Millis slide_end = 0;
  // Speech: the mouth follows the audio's events, or each balloon word.
  bool speaking = false;
  Millis speech_start = 0;
  std::vector<SpeechEvent> mouths;
  int speech_sound = 0;
  int word_mouth = 0;
  Millis word_mouth_until = -1;
  int effect_sound = 0;
  // The balloon: shown while `balloon`, hidden from `balloon_hide_at` on.
  bool balloon = false;
  BalloonLook look;
  QString full;
  QString said;
  bool think = false;
  Millis balloon_hide_at = -1;
  BalloonPicture picture;
  QString picture_text;
  QRect picture_for;
  FrameCache cache;
};

RecordedScene::RecordedScene(const Scheduler& clock, AudioMix& mix, QSize screen)
    : clock_(clock), mix_(mix), screen_(QPoint(0, 0), screen) {
  try {
    EspeakSynthesizer::Instance().Start();
    espeak_ = true;
  } catch (const SpeechError& e) {
    std::cerr << "zarnplay: " << e.what() << "; the recording has no spoken voice\n";
  }
}

RecordedScene::~RecordedScene() = default;

SpeechPlanner RecordedScene::Planner(VoiceRules rules) {
  if (!espeak_) return {};
  return kept_.Planner(std::move(rules));
}

RecordedScene::Shown& RecordedScene::Get(const std::string& id) {
  std::unique_ptr<Shown>& entry = shown_[id];
  if (!entry) {
    entry = std::make_unique<Shown>();
    entry->id = id;
  }
  return *entry;
}

void RecordedScene::VisibilityChanged(const std::string& id, bool visible) {
  Shown& shown = Get(id);
  shown.visible = visible;
  order_.erase(std::remove(order_.begin(), order_.end(), id), order_.end());
  if (visible) {
    order_.push_back(id);
    shown.from = shown.to = QPoint(engine_->Left(id), engine_->Top(id));
    shown.slide_end = 0;
  } else {
    shown.balloon = false;
    shown.frame = nullptr;
  }
}

void RecordedScene::FrameShown(const std::string& id, const std::string& animation, int frame) {
  const CharacterModel& model = engine_->Model(id);
  const Animation* found = model.FindAnimation(animation);
  if (found == nullptr || frame < 0 || static_cast<size_t>(frame) >= found->frames.size()) return;
  Shown& shown = Get(id);
  if (shown.model != &model) shown.cache.Clear();
  shown.model = &model;
  shown.frame = &found->frames[static_cast<size_t>(frame)];
}

void RecordedScene::SoundPlayed(const std::string& id, int sound_index) {
  if (sound_index < 0) return;
  Shown& shown = Get(id);
  WaveDecodeResult decoded =
      DecodeWave(engine_->Model(id).SoundBytes(static_cast<size_t>(sound_index)));
  if (!decoded) return;
  // One voice a character: a new sound cuts the last one short.
  mix_.Cut(shown.effect_sound, clock_.Now());
  shown.effect_sound = mix_.Add(clock_.Now(), decoded.audio);
}

QPoint RecordedScene::PositionAt(const Shown& shown, Millis at) const {
  if (at >= shown.slide_end || shown.slide_end <= shown.slide_start) return shown.to;
  const double t = static_cast<double>(at - shown.slide_start) /
                   static_cast<double>(shown.slide_end - shown.slide_start);
  return shown.from + (shown.to - shown.from) * std::clamp(t, 0.0, 1.0);
}

void RecordedScene::MoveStarted(const std::string& id, int x, int y, int64_t duration_ms) {
  Shown& shown = Get(id);
  const Millis now = clock_.Now();
  shown.from = PositionAt(shown, now);
  shown.to = QPoint(x, y);
  shown.slide_start = now;
  shown.slide_end = now + std::max<int64_t>(duration_ms, 0);
}

void RecordedScene::SpeechStarted(const std::string& id, int32_t request,
                                  const std::string& balloon_text, const std::string&, bool think) {
  Shown& shown = Get(id);
  StopSpeech(shown);
  shown.speaking = !think;
  shown.speech_start = clock_.Now();
  shown.word_mouth_until = -1;
  shown.balloon = (engine_->Balloon(id).style & 0x1) != 0;
  if (shown.balloon) {
    shown.look = BalloonLookFor(*engine_, id);
    shown.full = QString::fromStdString(balloon_text).simplified();
    shown.said = shown.look.auto_pace ? QString() : shown.full;
    shown.think = think;
    shown.balloon_hide_at = -1;
  }
  if (think) return;
  if (std::optional<SpokenSpeech> speech = kept_.Take(request)) {
    StartSpeechAudio(shown, std::move(*speech));
  }
}

void RecordedScene::StartSpeechAudio(Shown& shown, SpokenSpeech speech) {
  for (const SpeechEvent& event : speech.audio.events) {
    if (event.kind == SpeechEvent::Kind::kMouth) shown.mouths.push_back(event);
  }
  PcmAudio pcm = SpeechPcm(speech.audio);
  shown.speech_sound = mix_.Add(shown.speech_start, pcm);
}

void RecordedScene::SpeechSoundStarted(const std::string& id, const std::string& path) {
  Shown& shown = Get(id);
  std::vector<SpeechEvent> mouths;
  std::optional<PcmAudio> sound = ReadSpeechSound(path, mouths);
  if (!sound) return;
  mix_.Cut(shown.speech_sound, clock_.Now());
  shown.mouths = std::move(mouths);
  shown.speech_start = clock_.Now();
  shown.speech_sound = mix_.Add(shown.speech_start, *sound);
}

void RecordedScene::BalloonWord(const std::string& id, const std::string& word) {
  Shown& shown = Get(id);
  if (shown.balloon && shown.look.auto_pace) {
    if (!shown.said.isEmpty()) shown.said += ' ';
    shown.said += QString::fromStdString(word);
  }
  if (shown.speaking && shown.mouths.empty()) {
    shown.word_mouth = MouthForWord(word);
    shown.word_mouth_until = clock_.Now() + kWordMouthMs;
  }
}

void RecordedScene::StopSpeech(Shown& shown) {
  mix_.Cut(shown.speech_sound, clock_.Now());
  shown.speech_sound = 0;
  shown.mouths.clear();
  shown.speaking = false;
}

void RecordedScene::SpeechEnded(const std::string& id) {
  Shown& shown = Get(id);
  StopSpeech(shown);
  shown.word_mouth_until = -1;
  if (shown.balloon) {
    shown.said = shown.full;
    if (shown.look.auto_hide) shown.balloon_hide_at = clock_.Now() + kBalloonAutoHideMs;
  }
}

void RecordedScene::SpeechStopped(const std::string& id) {
  Shown& shown = Get(id);
  StopSpeech(shown);
  shown.word_mouth_until = -1;
  shown.balloon = false;
}

int RecordedScene::MouthAt(const Shown& shown, Millis at) const {
  if (!shown.speaking) return -1;
  if (shown.mouths.empty()) return at < shown.word_mouth_until ? shown.word_mouth : 0;
  int shape = 0;
  for (const SpeechEvent& event : shown.mouths) {
    if (shown.speech_start + SynthesizedSpeech::SampleToMs(event.sample) > at) break;
    shape = static_cast<int>(event.mouth);
  }
  return shape;
}

void RecordedScene::Paint(QPainter& painter, Millis at_ms) {
  std::vector<Shown*> balloons;
  for (const std::string& id : order_) {
    Shown& shown = *shown_.at(id);
    if (!shown.visible || shown.frame == nullptr || !engine_->IsLoaded(id) ||
        &engine_->Model(id) != shown.model || !shown.model->file) {
      continue;
    }
    const QSize size = DrawnSize(QSize(engine_->Width(id), engine_->Height(id)), screen_.size());
    const int mouth = shown.frame->overlays.empty() ? -1 : MouthAt(shown, at_ms);
    const QImage& image = shown.cache.Get(*shown.model->file, *shown.frame, mouth, size);
    const QPoint at = PositionAt(shown, at_ms);
    painter.drawImage(at, image);
    if (shown.balloon && (shown.balloon_hide_at < 0 || at_ms < shown.balloon_hide_at)) {
      const QRect body(at, image.size());
      if (shown.picture_text != shown.said || shown.picture_for != body ||
          shown.picture.image.isNull()) {
        shown.picture =
            PaintBalloon(shown.look, shown.full, shown.said, shown.think, body, screen_);
        shown.picture_text = shown.said;
        shown.picture_for = body;
      }
      balloons.push_back(&shown);
    }
  }
  // Balloons over every character, as their windows stay on top.
  for (Shown* shown : balloons) {
    painter.drawImage(shown->picture.geometry.topLeft(), shown->picture.image);
  }
}

}  // namespace zarn
