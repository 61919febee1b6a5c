#pragma once

#include <string>

#include "backend/MciDevice.h"
#include "backend/MciInterpreter.h"
#include "ports/Scheduler.h"

namespace zarn {

// waveaudio and sequencer through the sound output, avivideo in a window.
// A file whose header is not its type's fails to open as headless; one we
// cannot decode past its header plays silently for its length.
MciOpenResult OpenDesktopWave(Scheduler& scheduler, const std::string& path);
MciOpenResult OpenDesktopMidi(Scheduler& scheduler, const std::string& path);
MciOpenResult OpenDesktopVideo(Scheduler& scheduler, const std::string& path);

// Puts the three in place of the interpreter's device types of those names.
void RegisterDesktopMediaDevices(MciInterpreter& interpreter, Scheduler& scheduler);

}  // namespace zarn
