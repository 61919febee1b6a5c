#include "media/bBackdrop.h"
#include "platform/Trace.h"
#include "shell/Program.h"

// Placeholder playback: records what the script asked for until the media
// slot is built.
namespace zarn::bBackdrop {
namespace {
void Record(Program& p, const char* op, const std::string& file, bool repeat) {
  TraceRecord record("media", op);
  record.args = {TraceValue{file}, TraceValue{repeat}};
  p.ports.trace.Write(record);
}
}  // namespace

void PlayWaveFile(Program& p, const std::string& psFile, bool pbRepeat) {
  Record(p, "PlayWaveFile", psFile, pbRepeat);
}
void PlayMidiFile(Program& p, const std::string& psFile, bool pbRepeat) {
  Record(p, "PlayMidiFile", psFile, pbRepeat);
}
void PlayAviFile(Program& p, const std::string& psFile, bool pbRepeat) {
  Record(p, "PlayAviFile", psFile, pbRepeat);
}
void StopAllMedia(Program& p) { p.ports.trace.Write(TraceRecord("media", "StopAllMedia")); }

}  // namespace zarn::bBackdrop
