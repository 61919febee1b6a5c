#pragma once

#include <string>

#include "backend/MciDevice.h"
#include "backend/MciInterpreter.h"
#include "platform/desktop/DesktopAudioDevice.h"
#include "platform/desktop/DesktopVideoDevice.h"
#include "ports/Scheduler.h"

namespace zarn {

// waveaudio and sequencer through the sound output, avivideo in a window.
// A file whose header is not its type's fails to open as headless does, and
// so does one we cannot decode or synthesize (296), or a song with no sound
// font to play it (343). With a starter, sound goes there instead of to the
// sound output.
MciOpenResult OpenDesktopWave(Scheduler& scheduler, const std::string& path,
                              const SoundStarter& starter = {});
MciOpenResult OpenDesktopMidi(Scheduler& scheduler, const std::string& path,
                              const SoundStarter& starter = {});
MciOpenResult OpenDesktopVideo(Scheduler& scheduler, const std::string& path,
                               const DesktopMediaHooks& hooks);

// Puts the three in place of the interpreter's device types of those names;
// `hooks` (kept by reference) hears what happens to a video later on.
void RegisterDesktopMediaDevices(MciInterpreter& interpreter, Scheduler& scheduler,
                                 const DesktopMediaHooks& hooks);
// Wave and MIDI sound into `starter` (a recording); video stays as it is.
void RegisterMediaSound(MciInterpreter& interpreter, Scheduler& scheduler, SoundStarter starter);

}  // namespace zarn
