#include "platform/speech/LoudnessMouths.h"

#include <algorithm>
#include <cmath>

namespace zarn {

std::vector<SpeechEvent> LoudnessMouths(std::span<const int16_t> samples, int channels,
                                        int sample_rate) {
  std::vector<SpeechEvent> events;
  if (channels <= 0 || sample_rate <= 0) return events;
  const int64_t frames = static_cast<int64_t>(samples.size()) / channels;
  const int64_t window = std::max(1, sample_rate / 25);
  for (int64_t frame = 0; frame < frames; frame += window) {
    const int64_t end = std::min(frames, frame + window);
    double sum = 0;
    for (int64_t i = frame * channels; i < end * channels; ++i) {
      const double v = samples[static_cast<size_t>(i)];
      sum += v * v;
    }
    const double rms = std::sqrt(sum / static_cast<double>((end - frame) * channels));
    const MouthShape shape = rms < 600    ? MouthShape::kClosed
                             : rms < 2000 ? MouthShape::kWide1
                             : rms < 5000 ? MouthShape::kWide2
                             : rms < 9000 ? MouthShape::kWide3
                                          : MouthShape::kWide4;
    if (!events.empty() && events.back().mouth == shape) continue;
    SpeechEvent event;
    event.kind = SpeechEvent::Kind::kMouth;
    event.sample = frame * SynthesizedSpeech::kSampleRate / sample_rate;
    event.mouth = shape;
    events.push_back(event);
  }
  return events;
}

}  // namespace zarn
