#pragma once

#include "backend/MciInterpreter.h"
#include "backend/Trace.h"
#include "backend/TracingMediaCommandPort.h"
#include "ports/Scheduler.h"

namespace zarn {

// The command-string service every platform runs: the shared interpreter over
// clock-driven devices (a platform may put its own in), every command traced.
class MediaCommandService : public MediaCommandPort {
 public:
  MediaCommandService(Scheduler& scheduler, Trace& trace);

  int32_t SendString(std::string_view command, std::string& reply) override {
    return traced_.SendString(command, reply);
  }
  std::string ErrorText(int32_t code) override { return traced_.ErrorText(code); }

  const MciInterpreter& Interpreter() const { return interpreter_; }
  // Where another platform puts its own devices in place of ours.
  MciInterpreter& Interpreter() { return interpreter_; }

 private:
  MciInterpreter interpreter_;
  TracingMediaCommandPort traced_;
};

}  // namespace zarn
