#include "backend/WaveDecoder.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>

#include "backend/MediaProbe.h"

namespace zarn {
namespace {

constexpr uint16_t kMaxChannels = 8;
// Decoding reads whole files into memory; longer than this is not a sound
// a script plays in one go.
constexpr int64_t kMaxDecodedFrames = int64_t{1} << 31;

// libsndfile reads through these callbacks from any ProbeSource.
struct Cursor {
  ProbeSource& source;
  sf_count_t at = 0;
};

sf_count_t Length(void* user) {
  return static_cast<sf_count_t>(static_cast<Cursor*>(user)->source.Size());
}

sf_count_t Seek(sf_count_t offset, int whence, void* user) {
  auto& c = *static_cast<Cursor*>(user);
  const sf_count_t base = whence == SEEK_CUR ? c.at : whence == SEEK_END ? Length(user) : 0;
  c.at = std::clamp<sf_count_t>(base + offset, 0, Length(user));
  return c.at;
}

sf_count_t Read(void* out, sf_count_t count, void* user) {
  auto& c = *static_cast<Cursor*>(user);
  const sf_count_t n =
      std::clamp<sf_count_t>(Length(user) - c.at, 0, std::max<sf_count_t>(count, 0));
  if (n == 0 || !c.source.Read(static_cast<uint64_t>(c.at),
                               {static_cast<uint8_t*>(out), static_cast<size_t>(n)})) {
    return 0;
  }
  c.at += n;
  return n;
}

sf_count_t NoWrite(const void*, sf_count_t, void*) { return 0; }
sf_count_t Tell(void* user) { return static_cast<Cursor*>(user)->at; }

struct Close {
  void operator()(SNDFILE* f) const { sf_close(f); }
};
using SndFile = std::unique_ptr<SNDFILE, Close>;

// Bytes a sample of the plain kinds takes; 0 for the block-coded ones,
// which pad their last block (a fact chunk says how many frames are real).
int SampleBytes(int format) {
  switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_ULAW:
    case SF_FORMAT_ALAW:
      return 1;
    case SF_FORMAT_PCM_16:
      return 2;
    case SF_FORMAT_PCM_24:
      return 3;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT:
      return 4;
    case SF_FORMAT_DOUBLE:
      return 8;
    default:
      return 0;
  }
}

// A chunk as the header declares it: its length and its first bytes.
struct ChunkHead {
  uint32_t length = 0;
  std::vector<uint8_t> data;
};

std::optional<ChunkHead> FindChunk(SNDFILE* file, const char (&id)[5], bool read_data) {
  SF_CHUNK_INFO wanted{};
  std::memcpy(wanted.id, id, 4);
  wanted.id_size = 4;
  SF_CHUNK_ITERATOR* it = sf_get_chunk_iterator(file, &wanted);
  if (it == nullptr) return std::nullopt;
  SF_CHUNK_INFO chunk{};
  if (sf_get_chunk_size(it, &chunk) != SF_ERR_NO_ERROR) return std::nullopt;
  ChunkHead head{chunk.datalen, {}};
  if (read_data) {
    head.data.resize(chunk.datalen);
    chunk.data = head.data.data();
    if (sf_get_chunk_data(it, &chunk) != SF_ERR_NO_ERROR) return std::nullopt;
  }
  return head;
}

// The RIFF format tag of a libsndfile subtype, as far as we name them.
uint16_t FormatTag(int format) {
  switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_DOUBLE:
      return 3;
    case SF_FORMAT_ALAW:
      return 6;
    case SF_FORMAT_ULAW:
      return 7;
    case SF_FORMAT_MS_ADPCM:
      return 2;
    case SF_FORMAT_IMA_ADPCM:
      return 0x11;
    case SF_FORMAT_GSM610:
      return 0x31;
    case SF_FORMAT_MPEG_LAYER_III:
      return 0x55;
    default:
      return 1;
  }
}

struct OpenWave {
  SndFile file;
  SF_INFO info{};
  int64_t frames = 0;  // the real ones, padding left out
};

// Opens `source` as a RIFF WAVE file, or says why it is not one we can read.
std::optional<OpenWave> Open(Cursor& cursor, std::string& why) {
  uint8_t riff[12];
  if (!cursor.source.Read(0, riff)) {
    why = "the file is too short to be a wave file";
    return std::nullopt;
  }
  if (!HasTag(riff, "RIFF") || !HasTag(riff + 8, "WAVE")) {
    why = "the file is not a RIFF WAVE file";
    return std::nullopt;
  }
  SF_VIRTUAL_IO io{Length, Seek, Read, NoWrite, Tell};
  OpenWave wave;
  wave.file.reset(sf_open_virtual(&io, SFM_READ, &wave.info, &cursor));
  if (!wave.file) {
    why = std::string("the wave cannot be read: ") + sf_strerror(nullptr);
    return std::nullopt;
  }
  const int type = wave.info.format & SF_FORMAT_TYPEMASK;
  if (type != SF_FORMAT_WAV && type != SF_FORMAT_WAVEX) {
    why = "the file is not a RIFF WAVE file";
    return std::nullopt;
  }
  if (wave.info.channels < 1 || wave.info.channels > kMaxChannels || wave.info.samplerate < 1) {
    why = "the wave has a bad channel count or sample rate";
    return std::nullopt;
  }
  wave.frames = std::max<sf_count_t>(wave.info.frames, 0);
  if (const int width = SampleBytes(wave.info.format); width == 0) {
    const auto fact = FindChunk(wave.file.get(), "fact", true);
    if (fact && fact->data.size() >= 4 && ReadLe32(fact->data.data()) < wave.frames) {
      wave.frames = ReadLe32(fact->data.data());
    }
  } else if (const auto data = FindChunk(wave.file.get(), "data", false);
             data && data->length / (int64_t{width} * wave.info.channels) > wave.frames) {
    // A plain wave cut short is damaged, not a shorter sound.
    why = "the wave file is truncated: its sound data runs past the end of the file";
    return std::nullopt;
  }
  return wave;
}

WaveDecodeResult Decode(ProbeSource& source) {
  WaveDecodeResult result;
  Cursor cursor{source};
  std::optional<OpenWave> wave = Open(cursor, result.error);
  if (!wave) return result;
  if (wave->frames > kMaxDecodedFrames / wave->info.channels) {
    result.error = "the wave is too long to play";
    return result;
  }
  PcmAudio& audio = result.audio;
  audio.channels = static_cast<uint16_t>(wave->info.channels);
  audio.sample_rate = static_cast<uint32_t>(wave->info.samplerate);
  audio.samples.resize(static_cast<size_t>(wave->frames) * audio.channels);
  sf_count_t got = 0;
  const int subtype = wave->info.format & SF_FORMAT_SUBMASK;
  if (subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE) {
    // The library hands float samples to 16-bit readers unscaled; full
    // scale is 1.0, and what lies past it clips.
    std::vector<float> floats(audio.samples.size());
    got = sf_readf_float(wave->file.get(), floats.data(), wave->frames);
    std::transform(floats.begin(), floats.end(), audio.samples.begin(), [](float f) {
      return static_cast<int16_t>(std::lrint(std::clamp(f, -1.0f, 1.0f) * 32767.0f));
    });
  } else {
    got = sf_readf_short(wave->file.get(), audio.samples.data(), wave->frames);
  }
  // A file cut short gives what is there.
  audio.samples.resize(static_cast<size_t>(std::max<sf_count_t>(got, 0)) * audio.channels);
  return result;
}

}  // namespace

WaveDecodeResult DecodeWave(std::span<const uint8_t> file) {
  MemoryProbeSource source(file);
  return Decode(source);
}

WaveDecodeResult DecodeWaveFile(const std::string& path) {
  std::optional<FileProbeSource> source = FileProbeSource::Open(path);
  if (!source) return {{}, "the file cannot be opened for reading"};
  return Decode(*source);
}

MediaProbeResult ProbeWave(ProbeSource& source) {
  Cursor cursor{source};
  std::string why;
  std::optional<OpenWave> wave = Open(cursor, why);
  if (!wave) return MediaProbeResult::Invalid(why);
  // Whole seconds and the rest apart, so that no product overflows.
  const int64_t rate = wave->info.samplerate;
  const int64_t frames = wave->frames;
  const int64_t duration_ms = frames / rate * 1000 + (frames % rate * 1000 + rate / 2) / rate;
  if (duration_ms > kMaxMediaMillis) {
    return MediaProbeResult::Invalid("the wave's length is implausibly long");
  }
  MediaInfo info;
  info.kind = MediaKind::kWave;
  info.format_tag = FormatTag(wave->info.format);
  info.channels = static_cast<uint16_t>(wave->info.channels);
  info.sample_rate = static_cast<uint32_t>(rate);
  info.sample_frames = frames;
  info.duration_ms = duration_ms;
  return MediaProbeResult::Valid(info);
}

}  // namespace zarn
