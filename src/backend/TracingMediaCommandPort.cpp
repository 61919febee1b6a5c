#include "backend/TracingMediaCommandPort.h"

#include "backend/MciCommandText.h"
#include "backend/MciErrors.h"

namespace zarn {

bool IsNotOpenAnswer(const TraceRecord& record) {
  if (record.kind != "media" || record.op != "mci" || record.args.empty() || !record.result) {
    return false;
  }
  const auto* code = std::get_if<int64_t>(&*record.result);
  const auto* command = std::get_if<std::string>(&record.args[0]);
  if (code == nullptr || *code != mcierr::kInvalidDeviceName || command == nullptr) return false;
  const MciTokens split = SplitMciCommand(*command);
  if (split.error || split.tokens.empty()) return false;
  const std::string verb = MciLower(split.tokens[0].text);
  return verb == "status" || verb == "close";
}

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
