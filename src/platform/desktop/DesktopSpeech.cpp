#include "platform/desktop/DesktopSpeech.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>
#include <fstream>
#include <iostream>
#include <iterator>
#include <utility>

#include "backend/WaveDecoder.h"
#include "platform/desktop/CharacterScreen.h"
#include "platform/speech/LoudnessMouths.h"

namespace zarn {
namespace {

constexpr int kMouthStepMs = 15;

}  // namespace

DesktopSpeech::DesktopSpeech() {
  try {
    EspeakSynthesizer::Instance().Start();
    started_ = true;
  } catch (const SpeechError& e) {
    std::cerr << "zarnplay: " << e.what() << "; characters speak in balloons only\n";
  }
  format_.setSampleRate(SynthesizedSpeech::kSampleRate);
  format_.setChannelCount(1);
  format_.setSampleFormat(QAudioFormat::Int16);
  mouth_timer_.setInterval(kMouthStepMs);
  QObject::connect(&mouth_timer_, &QTimer::timeout, [this] { StepMouths(); });
}

void DesktopSpeech::Attach(CharacterScreen& screen) {
  screen_ = &screen;
  screen_->UseSpeechMouths(started_);
}

DesktopSpeech::~DesktopSpeech() {
  // The screen may be gone by now: only the audio is stopped.
  mouth_timer_.stop();
  for (auto& [id, speaking] : std::exchange(speaking_, {})) Discard(std::move(speaking));
}

// Stopping or destroying a Qt audio sink runs the event loop (PulseAudio
// drains the stream), and with it any speech that is due: so a sink only
// ever goes once nothing refers to it and speaking_ is whole.
void DesktopSpeech::Discard(std::unique_ptr<Speaking> speaking) {
  if (speaking && speaking->sink) speaking->sink->stop();
  speaking.reset();
}

SpeechPlanner DesktopSpeech::Planner(VoiceRules rules) {
  if (!started_) return {};
  return kept_.Planner(std::move(rules));
}

void DesktopSpeech::VisibilityChanged(const std::string& id, bool visible) {
  screen_->VisibilityChanged(id, visible);
}
void DesktopSpeech::FrameShown(const std::string& id, const std::string& animation, int frame) {
  screen_->FrameShown(id, animation, frame);
}
void DesktopSpeech::SoundPlayed(const std::string& id, int sound_index) {
  screen_->SoundPlayed(id, sound_index);
}
void DesktopSpeech::SizeChanged(const std::string& id) { screen_->SizeChanged(id); }
void DesktopSpeech::MoveStarted(const std::string& id, int x, int y, int64_t duration_ms) {
  screen_->MoveStarted(id, x, y, duration_ms);
}
void DesktopSpeech::BalloonWord(const std::string& id, const std::string& word) {
  screen_->BalloonWord(id, word);
}

void DesktopSpeech::SpeechStarted(const std::string& id, int32_t request,
                                  const std::string& balloon_text, const std::string& tagged_text,
                                  bool think) {
  screen_->SpeechStarted(id, request, balloon_text, tagged_text, think);
  if (think) return;
  if (std::optional<SpokenSpeech> speech = kept_.Take(request)) {
    Play(id, std::move(*speech), format_);
  }
}

void DesktopSpeech::SpeechEnded(const std::string& id) {
  Stop(id);
  screen_->SpeechEnded(id);
}

void DesktopSpeech::SpeechStopped(const std::string& id) {
  Stop(id);
  screen_->SpeechStopped(id);
}

void DesktopSpeech::SpeechSoundStarted(const std::string& id, const std::string& path) {
  SpokenSpeech speech;
  std::optional<PcmAudio> sound = ReadSpeechSound(path, speech.audio.events);
  if (!sound) return;
  PcmAudio& pcm = *sound;
  speech.audio.sample_count = pcm.Frames();
  speech.audio.samples = std::move(pcm.samples);
  QAudioFormat format;
  format.setSampleRate(static_cast<int>(pcm.sample_rate));
  format.setChannelCount(pcm.channels);
  format.setSampleFormat(QAudioFormat::Int16);
  Play(id, std::move(speech), format);
}

void DesktopSpeech::Play(const std::string& id, SpokenSpeech speech, const QAudioFormat& format) {
  Stop(id);
  auto speaking = std::make_unique<Speaking>();
  const auto& samples = speech.audio.samples;
  speaking->bytes = QByteArray(reinterpret_cast<const char*>(samples.data()),
                               static_cast<qsizetype>(samples.size() * sizeof(int16_t)));
  speaking->speech = std::move(speech);
  if (audio_) {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
      std::cerr << "zarnplay: no audio output; speech is shown but not heard\n";
      audio_ = false;
    } else {
      speaking->buffer = std::make_unique<QBuffer>(&speaking->bytes);
      speaking->buffer->open(QIODevice::ReadOnly);
      speaking->sink = std::make_unique<QAudioSink>(device, format);
      speaking->sink->start(speaking->buffer.get());
    }
  }
  // The mouth keeps to our own clock: the sink's position lags by its buffer.
  speaking->clock.start();
  // Speech started while the sink above was opening is superseded.
  std::unique_ptr<Speaking> superseded = std::exchange(speaking_[id], std::move(speaking));
  if (!mouth_timer_.isActive()) mouth_timer_.start();
  Discard(std::move(superseded));
}

void DesktopSpeech::Stop(const std::string& id) {
  auto it = speaking_.find(id);
  if (it == speaking_.end()) return;
  std::unique_ptr<Speaking> ended = std::move(it->second);
  speaking_.erase(it);
  if (speaking_.empty()) mouth_timer_.stop();
  screen_->SetMouth(id, -1);
  Discard(std::move(ended));
}

void DesktopSpeech::StepMouths() {
  for (auto& [id, speaking] : speaking_) {
    const int64_t now = speaking->clock.elapsed();
    const auto& events = speaking->speech.audio.events;
    int shape = -2;
    while (speaking->next_event < events.size() &&
           SynthesizedSpeech::SampleToMs(events[speaking->next_event].sample) <= now) {
      const SpeechEvent& event = events[speaking->next_event++];
      if (event.kind == SpeechEvent::Kind::kMouth) shape = static_cast<int>(event.mouth);
    }
    if (shape != -2) screen_->SetMouth(id, shape);
  }
}

}  // namespace zarn
