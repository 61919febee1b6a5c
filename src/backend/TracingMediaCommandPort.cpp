#include "backend/TracingMediaCommandPort.h"

namespace zarn {

int32_t TracingMediaCommandPort::SendString(std::string_view command, std::string& reply) {
  const int32_t code = inner_.SendString(command, reply);
  if (trace_.Enabled()) {
    TraceRecord record("media", "mci");
    record.args.emplace_back(std::in_place_type<std::string>, command);
    record.result.emplace(std::in_place_type<int64_t>, code);
    if (code != 0) record.Error(inner_.ErrorText(code));
    trace_.Write(record);
  }
  return code;
}

}  // namespace zarn
