#include "platform/common/MediaCommandService.h"

#include "platform/common/ClockMediaDevices.h"

namespace zarn {

MediaCommandService::MediaCommandService(Scheduler& scheduler, Trace& trace)
    : traced_(interpreter_, trace) {
  RegisterClockMediaDevices(interpreter_, scheduler);
}

}  // namespace zarn
