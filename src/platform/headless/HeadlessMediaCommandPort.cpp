#include "platform/headless/HeadlessMediaCommandPort.h"

#include "platform/headless/HeadlessMediaDevices.h"

namespace zarn {

HeadlessMediaCommandPort::HeadlessMediaCommandPort(Scheduler& scheduler, Trace& trace)
    : traced_(interpreter_, trace) {
  RegisterHeadlessMediaDevices(interpreter_, scheduler);
}

}  // namespace zarn
