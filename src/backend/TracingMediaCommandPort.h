#pragma once

#include "ports/MediaCommandPort.h"
#include "ports/TracePort.h"

namespace zarn {

// Records every command string and its result code in the trace, then
// answers as the wrapped service does.
// A status query or a close that finds the slot empty: the program sends
// those when it does not know whether anything is open, so "not open" is
// their answer, not a failure (the timeline prints it as one).
bool IsNotOpenAnswer(const TraceRecord& record);

class TracingMediaCommandPort : public MediaCommandPort {
 public:
  TracingMediaCommandPort(MediaCommandPort& inner, TracePort& trace)
      : inner_(inner), trace_(trace) {}

  // Trace record: kind "media", op "mci", args [command], result code, and
  // on failure the code's text as the error.
  int32_t SendString(std::string_view command, std::string& reply) override;
  std::string ErrorText(int32_t code) override { return inner_.ErrorText(code); }

 private:
  MediaCommandPort& inner_;
  TracePort& trace_;
};

}  // namespace zarn
