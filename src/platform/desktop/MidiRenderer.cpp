#include "platform/desktop/MidiRenderer.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "platform/desktop/FluidsynthLibrary.h"

namespace zarn {
namespace {

constexpr size_t kChunk = 512;

uint32_t Le32(std::span<const uint8_t> b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

}  // namespace

std::optional<std::string> FindSoundFont() {
  std::error_code ec;
  // A font of the user's choice; naming one that is not there means none.
  if (const char* chosen = std::getenv("ZARN_SOUND_FONT"); chosen != nullptr && *chosen) {
    if (std::filesystem::is_regular_file(chosen, ec)) return chosen;
    return std::nullopt;
  }
  for (const char* path :
       {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
        "/usr/share/sounds/sf2/FluidR3_GM.sf2"}) {
    if (std::filesystem::is_regular_file(path, ec)) return path;
  }
  return std::nullopt;
}

std::span<const uint8_t> UnwrapRmid(std::span<const uint8_t> file) {
  if (file.size() < 12 || Le32(file, 0) != 0x46464952 || Le32(file, 8) != 0x44494D52) return file;
  for (size_t at = 12; at + 8 <= file.size();) {
    const size_t size = std::min<size_t>(Le32(file, at + 4), file.size() - at - 8);
    if (Le32(file, at) == 0x61746164) return file.subspan(at + 8, size);
    at += 8 + size + (size & 1);
  }
  return {};
}

std::unique_ptr<MidiStream> MidiStream::Open(std::span<const uint8_t> song,
                                             const std::string& sound_font, std::string& error) {
  const FluidsynthLibrary* library = nullptr;
  try {
    library = &Fluidsynth();
  } catch (const std::runtime_error& e) {
    error = e.what();
    return nullptr;
  }
  const FluidsynthLibrary& fs = *library;
  // The synthesizer's own chatter would only repeat what we say.
  for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
    fs.fluid_set_log_function(level, nullptr, nullptr);
  }
  std::unique_ptr<MidiStream> stream(new MidiStream);
  stream->song_.assign(song.begin(), song.end());
  stream->settings_ = fs.new_fluid_settings();
  if (stream->settings_ != nullptr) {
    fs.fluid_settings_setnum(stream->settings_, "synth.sample-rate", kRate);
    stream->synth_ = fs.new_fluid_synth(stream->settings_);
  }
  if (stream->synth_ == nullptr) {
    error = "the synthesizer could not start";
    return nullptr;
  }
  if (fs.fluid_synth_sfload(stream->synth_, sound_font.c_str(), 1) == FLUID_FAILED) {
    error = "the sound font " + sound_font + " could not be loaded";
    return nullptr;
  }
  if (!stream->StartPlayer()) {
    error = "the synthesizer cannot play this song";
    return nullptr;
  }
  // The player reads the song only once it plays; a song it cannot read
  // has no ticks at all.
  std::array<int16_t, kChunk * 2> chunk{};
  stream->Render(chunk.data(), 1);
  if (fs.fluid_player_get_total_ticks(stream->player_) <= 0) {
    error = "the synthesizer cannot read this song";
    return nullptr;
  }
  if (!stream->Restart()) {
    error = "the synthesizer cannot play this song";
    return nullptr;
  }
  return stream;
}

MidiStream::~MidiStream() {
  const FluidsynthLibrary& fs = Fluidsynth();
  if (player_ != nullptr) {
    fs.fluid_player_stop(player_);
    fs.delete_fluid_player(player_);
  }
  if (synth_ != nullptr) fs.delete_fluid_synth(synth_);
  if (settings_ != nullptr) fs.delete_fluid_settings(settings_);
}

bool MidiStream::StartPlayer() {
  const FluidsynthLibrary& fs = Fluidsynth();
  player_ = fs.new_fluid_player(synth_);
  return player_ != nullptr && !song_.empty() &&
         fs.fluid_player_add_mem(player_, song_.data(), song_.size()) == FLUID_OK &&
         fs.fluid_player_play(player_) == FLUID_OK;
}

bool MidiStream::Restart() {
  const FluidsynthLibrary& fs = Fluidsynth();
  if (player_ != nullptr) {
    fs.fluid_player_stop(player_);
    fs.delete_fluid_player(player_);
    player_ = nullptr;
  }
  fs.fluid_synth_system_reset(synth_);
  frame_ = 0;
  finished_ = !StartPlayer();
  return !finished_;
}

size_t MidiStream::Render(int16_t* out, size_t frames) {
  const FluidsynthLibrary& fs = Fluidsynth();
  size_t done = 0;
  while (!finished_ && done < frames) {
    // The player keeps "playing" for seconds after its last event: the song
    // is over once every tick has passed and every voice has died away.
    if (fs.fluid_player_get_status(player_) != FLUID_PLAYER_PLAYING ||
        (frame_ > 0 &&
         fs.fluid_player_get_current_tick(player_) >= fs.fluid_player_get_total_ticks(player_) &&
         fs.fluid_synth_get_active_voice_count(synth_) == 0)) {
      finished_ = true;
      break;
    }
    const int n = static_cast<int>(std::min(kChunk, frames - done));
    int16_t* at = out + done * 2;
    if (fs.fluid_synth_write_s16(synth_, n, at, 0, 2, at, 1, 2) != FLUID_OK) {
      finished_ = true;
      break;
    }
    done += static_cast<size_t>(n);
    frame_ += n;
  }
  return done;
}

void MidiStream::SkipTo(int64_t frame) {
  std::array<int16_t, kChunk * 2> chunk{};
  while (!finished_ && frame_ < frame) {
    Render(chunk.data(), static_cast<size_t>(std::min<int64_t>(kChunk, frame - frame_)));
  }
}

std::optional<PcmAudio> RenderMidi(std::span<const uint8_t> song, const std::string& sound_font,
                                   int64_t limit_ms, std::string& error) {
  std::unique_ptr<MidiStream> stream = MidiStream::Open(song, sound_font, error);
  if (!stream) return std::nullopt;
  PcmAudio audio;
  audio.channels = 2;
  audio.sample_rate = MidiStream::kRate;
  const int64_t limit_frames = limit_ms * MidiStream::kRate / 1000;
  std::array<int16_t, kChunk * 2> chunk{};
  while (audio.Frames() < limit_frames) {
    const size_t n = stream->Render(chunk.data(), static_cast<size_t>(std::min<int64_t>(
                                                      kChunk, limit_frames - audio.Frames())));
    if (n == 0) break;
    audio.samples.insert(audio.samples.end(), chunk.begin(), chunk.begin() + 2 * n);
  }
  return audio;
}

}  // namespace zarn
