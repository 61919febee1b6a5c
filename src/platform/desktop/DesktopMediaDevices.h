#pragma once

#include <string>

#include "backend/MciDevice.h"
#include "backend/MciInterpreter.h"
#include "platform/desktop/DesktopAudioDevice.h"
#include "ports/Scheduler.h"

namespace zarn {

// waveaudio and sequencer through the sound output, avivideo in a window.
// A file whose header is not its type's fails to open as headless; one we
// cannot decode past its header plays silently for its length.
// With a starter, sound goes there instead of to the sound output.
MciOpenResult OpenDesktopWave(Scheduler& scheduler, const std::string& path,
                              const SoundStarter& starter = {});
MciOpenResult OpenDesktopMidi(Scheduler& scheduler, const std::string& path,
                              const SoundStarter& starter = {});
MciOpenResult OpenDesktopVideo(Scheduler& scheduler, const std::string& path);

// Puts the three in place of the interpreter's device types of those names.
void RegisterDesktopMediaDevices(MciInterpreter& interpreter, Scheduler& scheduler);
// Wave and MIDI sound into `starter` (a recording); video stays as it is.
void RegisterMediaSound(MciInterpreter& interpreter, Scheduler& scheduler, SoundStarter starter);

}  // namespace zarn
