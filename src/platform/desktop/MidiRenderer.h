#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "backend/WaveDecoder.h"

namespace zarn {

// The General MIDI sound font we play songs with, if one is installed.
std::optional<std::string> FindSoundFont();

// A song's bytes: a standard MIDI file, or one wrapped in RIFF RMID.
std::span<const uint8_t> UnwrapRmid(std::span<const uint8_t> file);

// Renders a whole song through the synthesizer with `sound_font`, up to the
// player's own end (the last note and its release), at most `limit_ms`.
// Nothing, with `error` set, when the synthesizer cannot take it.
std::optional<PcmAudio> RenderMidi(std::span<const uint8_t> song, const std::string& sound_font,
                                   int64_t limit_ms, std::string& error);

}  // namespace zarn
