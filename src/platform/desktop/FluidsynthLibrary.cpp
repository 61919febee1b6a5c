#include "platform/desktop/FluidsynthLibrary.h"

#include <stdexcept>
#include <string>

#include "base/SharedLibrary.h"

namespace zarn {
namespace {

FluidsynthLibrary Load() {
  const SharedLibrary library("libfluidsynth.so.3", "FluidSynth", [](const std::string& message) {
    throw std::runtime_error(message);
  });
  FluidsynthLibrary api;
  library.Bind("delete_fluid_player", api.delete_fluid_player);
  library.Bind("delete_fluid_settings", api.delete_fluid_settings);
  library.Bind("delete_fluid_synth", api.delete_fluid_synth);
  library.Bind("fluid_player_add_mem", api.fluid_player_add_mem);
  library.Bind("fluid_player_get_current_tick", api.fluid_player_get_current_tick);
  library.Bind("fluid_player_get_status", api.fluid_player_get_status);
  library.Bind("fluid_player_get_total_ticks", api.fluid_player_get_total_ticks);
  library.Bind("fluid_player_play", api.fluid_player_play);
  library.Bind("fluid_player_stop", api.fluid_player_stop);
  library.Bind("fluid_set_log_function", api.fluid_set_log_function);
  library.Bind("fluid_settings_setnum", api.fluid_settings_setnum);
  library.Bind("fluid_synth_get_active_voice_count", api.fluid_synth_get_active_voice_count);
  library.Bind("fluid_synth_sfload", api.fluid_synth_sfload);
  library.Bind("fluid_synth_system_reset", api.fluid_synth_system_reset);
  library.Bind("fluid_synth_write_s16", api.fluid_synth_write_s16);
  library.Bind("new_fluid_player", api.new_fluid_player);
  library.Bind("new_fluid_settings", api.new_fluid_settings);
  library.Bind("new_fluid_synth", api.new_fluid_synth);
  return api;
}

}  // namespace

const FluidsynthLibrary& Fluidsynth() {
  static const FluidsynthLibrary api = Load();
  return api;
}

}  // namespace zarn
