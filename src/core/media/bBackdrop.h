#pragma once

#include <cstdint>
#include <string>

namespace zarn {

struct Program;

// Media playback in the one media slot and the full-screen backdrop window.
namespace bBackdrop {

// The media slot: one device at a time, always under the alias "media".
// `psKind` chooses the device type ("wave", "midi", "avi" and their longer
// names); a missing file leaves whatever plays alone.
void StartMedia(Program& program, const std::string& psKind, const std::string& psFile,
                bool pbLoop);
void PlayWaveFile(Program& program, const std::string& psFile, bool pbRepeat);
void PlayMidiFile(Program& program, const std::string& psFile, bool pbRepeat);
void PlayAviFile(Program& program, const std::string& psFile, bool pbRepeat);
// Stops whatever is in the media slot.
void StopAllMedia(Program& program);
// An open item found later that it cannot play (a video the player cannot
// decode): its error text as a failed open shows it, and the slot closed.
void MediaFailed(Program& program, int32_t code);
// The loop timer's tick: an item that has stopped starts again.
void MediaLoopTick(Program& program);

void SetBackdropColor(Program& program, const std::string& psColor);
void SetBackdropImage(Program& program, const std::string& psFile);
// Shows the backdrop without waiting for it, then lets pending events run.
void ShowBackdrop(Program& program);
// Hides the backdrop, then lets pending events run.
void HideBackdrop(Program& program);

}  // namespace bBackdrop
}  // namespace zarn
