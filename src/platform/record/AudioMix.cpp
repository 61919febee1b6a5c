#include "platform/record/AudioMix.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <stdexcept>

namespace zarn {

std::vector<float> ResampleForMix(const PcmAudio& audio, int64_t from_frame, int64_t to_frame) {
  const int64_t frames = audio.Frames();
  if (to_frame < 0 || to_frame > frames) to_frame = frames;
  from_frame = std::clamp<int64_t>(from_frame, 0, to_frame);
  const int64_t count = to_frame - from_frame;
  if (count == 0 || audio.sample_rate == 0 || audio.channels == 0) return {};

  AVChannelLayout in_layout;
  av_channel_layout_default(&in_layout, audio.channels);
  AVChannelLayout out_layout = AV_CHANNEL_LAYOUT_STEREO;
  SwrContext* swr = nullptr;
  if (swr_alloc_set_opts2(&swr, &out_layout, AV_SAMPLE_FMT_FLT, AudioMix::kRate, &in_layout,
                          AV_SAMPLE_FMT_S16, static_cast<int>(audio.sample_rate), 0, nullptr) < 0 ||
      swr_init(swr) < 0) {
    swr_free(&swr);
    av_channel_layout_uninit(&in_layout);
    throw std::runtime_error("cannot resample a sound for the recording");
  }
  av_channel_layout_uninit(&in_layout);
  const int64_t room = swr_get_out_samples(swr, static_cast<int>(count)) + 64;
  std::vector<float> out(static_cast<size_t>(room) * 2);
  const auto* in =
      reinterpret_cast<const uint8_t*>(audio.samples.data() + from_frame * audio.channels);
  auto* out_bytes = reinterpret_cast<uint8_t*>(out.data());
  int made = swr_convert(swr, &out_bytes, static_cast<int>(room), &in, static_cast<int>(count));
  int64_t total = std::max(made, 0);
  // What the resampler holds back comes out on a flush.
  while (made > 0 && total < room) {
    out_bytes = reinterpret_cast<uint8_t*>(out.data() + total * 2);
    made = swr_convert(swr, &out_bytes, static_cast<int>(room - total), nullptr, 0);
    total += std::max(made, 0);
  }
  swr_free(&swr);
  out.resize(static_cast<size_t>(total) * 2);
  return out;
}

int AudioMix::Add(int64_t at_ms, const PcmAudio& audio, int64_t from_frame, int64_t to_frame) {
  const int id = next_++;
  std::vector<float> data = ResampleForMix(audio, from_frame, to_frame);
  if (data.empty()) return id;
  Sound sound;
  sound.start = at_ms * kRate / 1000;
  sound.end = sound.start + static_cast<int64_t>(data.size() / 2);
  sound.data = std::move(data);
  sounds_.emplace(id, std::move(sound));
  heard_ = true;
  return id;
}

void AudioMix::Cut(int sound, int64_t at_ms) {
  auto found = sounds_.find(sound);
  if (found == sounds_.end()) return;
  Sound& cut = found->second;
  cut.end = std::max(cut.start, std::min(cut.end, at_ms * kRate / 1000));
}

void AudioMix::Mix(int64_t first, int count, float* out) {
  std::fill(out, out + 2 * static_cast<ptrdiff_t>(count), 0.0f);
  const int64_t last = first + count;
  for (auto it = sounds_.begin(); it != sounds_.end();) {
    const Sound& sound = it->second;
    if (sound.end <= first) {
      it = sounds_.erase(it);
      continue;
    }
    const int64_t from = std::max(first, sound.start);
    const int64_t to = std::min(last, sound.end);
    for (int64_t frame = from; frame < to; ++frame) {
      const size_t in = static_cast<size_t>(frame - sound.start) * 2;
      const size_t at = static_cast<size_t>(frame - first) * 2;
      out[at] += sound.data[in];
      out[at + 1] += sound.data[in + 1];
    }
    ++it;
  }
  // Loud overlaps are held at full scale rather than wrapping in the encoder.
  for (int i = 0; i < 2 * count; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
}

}  // namespace zarn
