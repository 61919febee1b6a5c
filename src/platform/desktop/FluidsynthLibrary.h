#pragma once

#include <fluidsynth.h>

namespace zarn {

// FluidSynth's calls, loaded from its library on first use: it links
// two dozen libraries (sound servers, SDL, readline) that a run playing no
// song should not load before its first frame.
struct FluidsynthLibrary {
  decltype(&::delete_fluid_player) delete_fluid_player = nullptr;
  decltype(&::delete_fluid_settings) delete_fluid_settings = nullptr;
  decltype(&::delete_fluid_synth) delete_fluid_synth = nullptr;
  decltype(&::fluid_player_add_mem) fluid_player_add_mem = nullptr;
  decltype(&::fluid_player_get_current_tick) fluid_player_get_current_tick = nullptr;
  decltype(&::fluid_player_get_status) fluid_player_get_status = nullptr;
  decltype(&::fluid_player_get_total_ticks) fluid_player_get_total_ticks = nullptr;
  decltype(&::fluid_player_play) fluid_player_play = nullptr;
  decltype(&::fluid_player_stop) fluid_player_stop = nullptr;
  decltype(&::fluid_set_log_function) fluid_set_log_function = nullptr;
  decltype(&::fluid_settings_setnum) fluid_settings_setnum = nullptr;
  decltype(&::fluid_synth_get_active_voice_count) fluid_synth_get_active_voice_count = nullptr;
  decltype(&::fluid_synth_sfload) fluid_synth_sfload = nullptr;
  decltype(&::fluid_synth_system_reset) fluid_synth_system_reset = nullptr;
  decltype(&::fluid_synth_write_s16) fluid_synth_write_s16 = nullptr;
  decltype(&::new_fluid_player) new_fluid_player = nullptr;
  decltype(&::new_fluid_settings) new_fluid_settings = nullptr;
  decltype(&::new_fluid_synth) new_fluid_synth = nullptr;
};

// Throws std::runtime_error naming the library when it cannot be loaded.
const FluidsynthLibrary& Fluidsynth();

}  // namespace zarn
