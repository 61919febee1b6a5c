#include "platform/TracingMediaCommandPort.h"

namespace zarn {

int32_t TracingMediaCommandPort::SendString(std::string_view command, std::string& reply) {
  const int32_t code = inner_.SendString(command, reply);
  if (trace_.Enabled()) {
    TraceRecord record("media", "mci");
    record.Arg(std::string(command)).Result(int64_t{code});
    if (code != 0) record.Error(inner_.ErrorText(code));
    trace_.Write(record);
  }
  return code;
}

}  // namespace zarn
