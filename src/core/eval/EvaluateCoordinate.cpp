#include "core/eval/EvaluateCoordinate.h"

#include "base/VbString.h"
#include "core/eval/CEval.h"
#include "ports/CharacterServicePort.h"

namespace zarn {

CoordinateReader ServiceCoordinates(const CharacterServicePort& service) {
  return [&service](const std::string& name, CoordinateProperty property) -> int32_t {
    switch (property) {
      case CoordinateProperty::kLeft:
        return service.Left(name);
      case CoordinateProperty::kTop:
        return service.Top(name);
      case CoordinateProperty::kWidth:
        return service.Width(name);
      case CoordinateProperty::kHeight:
        return service.Height(name);
    }
    return 0;
  };
}

double EvaluateCoordinate(std::string_view text, const std::vector<std::string>& character_names,
                          const CoordinateReader& read, std::string* problem) {
  static constexpr std::pair<const char*, CoordinateProperty> kProperties[] = {
      {".Left", CoordinateProperty::kLeft},
      {".Top", CoordinateProperty::kTop},
      {".Width", CoordinateProperty::kWidth},
      {".Height", CoordinateProperty::kHeight}};
  std::string expression(text);
  try {
    // Folding keeps byte lengths, so one folded copy answers "is it there?"
    // for every reference; it is refreshed only after a replacement.
    // Every reference holds a dot, which no folding makes or takes away.
    const bool dotted = expression.find('.') != std::string::npos;
    std::string folded = dotted ? UCase(expression) : std::string();
    for (const std::string& name : character_names) {
      if (!dotted) break;
      for (const auto& [suffix, property] : kProperties) {
        const std::string reference = name + suffix;
        if (folded.find(UCase(reference)) == std::string::npos) continue;
        int32_t value = 0;
        try {
          value = read(name, property);
        } catch (...) {
          continue;  // the name stays and spoils the expression: result 0
        }
        // A negative value goes in parentheses so that "-Pip.Left" with
        // Left at -20 reads as -(-20), not as the invalid "--20".
        const std::string number =
            value < 0 ? "(" + std::to_string(value) + ")" : std::to_string(value);
        expression = ReplaceNoCase(expression, reference, number);
        folded = UCase(expression);
      }
    }
    CEval eval;
    const double value = eval.Evaluate(expression);
    if (problem != nullptr && eval.LastFailure()) {
      *problem =
          eval.ErrorMessage().empty() ? eval.LastFailure()->Description() : eval.ErrorMessage();
    }
    return value;
  } catch (...) {
    if (problem != nullptr) *problem = "cannot be evaluated";
    return 0;
  }
}

}  // namespace zarn
