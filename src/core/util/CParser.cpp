#include "core/util/CParser.h"

#include "base/VbString.h"
#include "core/errortrap/bErrorTrap.h"
#include "ports/DesktopPort.h"

namespace zarn {

void CParser::ParseIt(std::string_view psParseText, std::string_view psDelimit) {
  // Own handling: a message box, and no fields.
  try {
    field_count_ = 0;
    std::string_view rest = TrimView(psParseText);
    fields_.assign(2, std::string());
    if (rest.empty()) return;
    // An empty delimiter would never consume text: the whole text is one field.
    if (psDelimit.empty()) {
      fields_[1] = std::string(rest);
      field_count_ = 1;
      return;
    }
    fields_.pop_back();
    for (size_t at = rest.find(psDelimit); at != std::string_view::npos;
         at = rest.find(psDelimit)) {
      fields_.emplace_back(TrimView(rest.substr(0, at)));
      ++field_count_;
      rest = TrimView(rest.substr(at + psDelimit.size()));
    }
    if (!rest.empty()) {
      fields_.emplace_back(rest);
      ++field_count_;
    }
    if (fields_.size() < 2) fields_.emplace_back();
  } catch (...) {
    const VbError failure = CurrentFailure(std::current_exception());
    field_count_ = 0;
    if (desktop_ != nullptr) {
      Silently([&] {
        desktop_->MessageBox(std::to_string(failure.Number()) + " : " + failure.Description(),
                             MessageIcon::kNone, MessageButtons::kOk, "ZARNPlay");
      });
    }
  }
}

std::string CParser::Field(int32_t index) const {
  if (index < 1 || static_cast<size_t>(index) >= fields_.size()) return {};
  return fields_[static_cast<size_t>(index)];
}

}  // namespace zarn
