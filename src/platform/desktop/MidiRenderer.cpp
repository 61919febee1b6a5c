#include "platform/desktop/MidiRenderer.h"

#include <fluidsynth.h>

#include <array>
#include <filesystem>
#include <memory>

namespace zarn {
namespace {

constexpr int kRate = 44100;
constexpr int kChunk = 512;

uint32_t Le32(std::span<const uint8_t> b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

struct SettingsFree {
  void operator()(fluid_settings_t* s) const { delete_fluid_settings(s); }
};
struct SynthFree {
  void operator()(fluid_synth_t* s) const { delete_fluid_synth(s); }
};
struct PlayerFree {
  void operator()(fluid_player_t* p) const { delete_fluid_player(p); }
};

}  // namespace

std::optional<std::string> FindSoundFont() {
  for (const char* path :
       {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
        "/usr/share/sounds/sf2/FluidR3_GM.sf2"}) {
    std::error_code ec;
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

std::optional<PcmAudio> RenderMidi(std::span<const uint8_t> song, const std::string& sound_font,
                                   int64_t limit_ms, std::string& error) {
  // The synthesizer's own chatter would only repeat what we say.
  fluid_set_log_function(FLUID_ERR, nullptr, nullptr);
  fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
  fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
  fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
  std::unique_ptr<fluid_settings_t, SettingsFree> settings(new_fluid_settings());
  if (!settings) return error = "the synthesizer could not start", std::nullopt;
  fluid_settings_setnum(settings.get(), "synth.sample-rate", kRate);
  std::unique_ptr<fluid_synth_t, SynthFree> synth(new_fluid_synth(settings.get()));
  if (!synth) return error = "the synthesizer could not start", std::nullopt;
  if (fluid_synth_sfload(synth.get(), sound_font.c_str(), 1) == FLUID_FAILED) {
    return error = "the sound font " + sound_font + " could not be loaded", std::nullopt;
  }
  std::unique_ptr<fluid_player_t, PlayerFree> player(new_fluid_player(synth.get()));
  if (!player || song.empty() ||
      fluid_player_add_mem(player.get(), song.data(), song.size()) != FLUID_OK ||
      fluid_player_play(player.get()) != FLUID_OK) {
    return error = "the synthesizer cannot play this song", std::nullopt;
  }
  PcmAudio audio;
  audio.channels = 2;
  audio.sample_rate = kRate;
  const int64_t limit_frames = limit_ms * kRate / 1000;
  std::array<int16_t, kChunk * 2> chunk{};
  while (fluid_player_get_status(player.get()) == FLUID_PLAYER_PLAYING &&
         audio.Frames() < limit_frames) {
    // The player keeps "playing" for seconds after its last event: the song
    // is over once every tick has passed and every voice has died away.
    if (fluid_player_get_current_tick(player.get()) >= fluid_player_get_total_ticks(player.get()) &&
        fluid_synth_get_active_voice_count(synth.get()) == 0 && audio.Frames() > 0) {
      break;
    }
    if (fluid_synth_write_s16(synth.get(), kChunk, chunk.data(), 0, 2, chunk.data(), 1, 2) !=
        FLUID_OK) {
      return error = "the synthesizer failed while rendering", std::nullopt;
    }
    audio.samples.insert(audio.samples.end(), chunk.begin(), chunk.end());
  }
  fluid_player_stop(player.get());
  // The player reads the song only once it plays; a song it cannot read
  // has no ticks at all.
  if (fluid_player_get_total_ticks(player.get()) <= 0)
    return error = "the synthesizer cannot read this song", std::nullopt;
  return audio;
}

}  // namespace zarn
