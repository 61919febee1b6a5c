#include "core/eval/DateTimeValues.h"

#include <chrono>
#include <ctime>
#include <iomanip>
#include <sstream>

#include "base/TextCodec.h"
#include "base/VbString.h"
#include "core/errortrap/bErrorTrap.h"

namespace zarn {

namespace {

[[noreturn]] void ThrowInvalidCall() {
  Throw(vberr::kInvalidCall, "Invalid procedure call or argument");
}

std::chrono::year_month_day CheckedDate(const LocalTime& now) {
  if (now.month < 1 || now.month > 12 || now.day < 1 || now.day > 31) ThrowInvalidCall();
  const std::chrono::year_month_day date{std::chrono::year{now.year},
                                         std::chrono::month{static_cast<unsigned>(now.month)},
                                         std::chrono::day{static_cast<unsigned>(now.day)}};
  if (!date.ok()) ThrowInvalidCall();
  return date;
}

void CheckMonth(const LocalTime& now) {
  if (now.month < 1 || now.month > 12) ThrowInvalidCall();
}

void CheckClock(const LocalTime& now) {
  if (now.hour < 0 || now.hour > 23 || now.minute < 0 || now.minute > 59) ThrowInvalidCall();
}

// Formats one strftime field through the locale's wide facet, so the name
// arrives as Unicode whatever the locale's byte encoding, and leaves as UTF-8.
std::string LocaleField(const std::tm& fields, const wchar_t* format, const std::locale& names) {
  std::wostringstream out;
  out.imbue(names);
  out << std::put_time(&fields, format);
  if (out.fail()) ThrowInvalidCall();
  std::string utf8;
  for (wchar_t ch : out.str()) AppendUtf8(utf8, static_cast<uint32_t>(ch));
  return utf8;
}

std::locale LocaleOrEnglish(const std::string& name) {
  if (name.empty() || name == "C" || name == "POSIX") return std::locale::classic();
  try {
    return std::locale(std::locale::classic(), std::locale(name), std::locale::time);
  } catch (const std::exception&) {
    return std::locale::classic();
  }
}

}  // namespace

std::locale UserTimeLocale(const EnvironmentPort& environment) {
  for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
    const std::string name = environment.GetEnv(variable);
    if (!name.empty()) return LocaleOrEnglish(name);
  }
  return std::locale::classic();
}

std::string OrdinalSuffix(std::string_view day_text) {
  if (day_text == "11" || day_text == "12" || day_text == "13") return "th";
  if (day_text.empty()) return "th";
  switch (day_text.back()) {
    case '1':
      return "st";
    case '2':
      return "nd";
    case '3':
      return "rd";
    default:
      return "th";
  }
}

std::string GetDay(bErrorTrap::Trap& errors, const LocalTime& now, const std::locale& names) {
  ProcedureScope proc{errors, "ZARNGlobalX.GetDay"};
  std::string value;
  proc.Step(10, [&] {
    const std::chrono::weekday weekday{std::chrono::sys_days{CheckedDate(now)}};
    std::tm fields{};
    fields.tm_wday = static_cast<int>(weekday.c_encoding());
    value = LocaleField(fields, L"%A", names);
  });
  return value;
}

std::string GetDate(bErrorTrap::Trap& errors, const LocalTime& now, const std::locale& names) {
  ProcedureScope proc{errors, "ZARNGlobalX.GetDate"};
  std::string value;
  proc.Step(10, [&] {
    CheckMonth(now);
    std::tm fields{};
    fields.tm_mon = now.month - 1;
    value = LocaleField(fields, L"%B", names);
  });
  proc.Step(20, [&] {
    CheckedDate(now);
    const std::string day = std::to_string(now.day);
    value += " " + day + OrdinalSuffix(day);
  });
  proc.Step(30, [&] {
    if (now.year < 0 || now.year > 9999) ThrowInvalidCall();
    std::string year = std::to_string(now.year);
    year.insert(0, 4 - year.size(), '0');
    value += ", " + year;
  });
  return value;
}

std::string GetTimeOfDay(bErrorTrap::Trap& errors, const LocalTime& now) {
  ProcedureScope proc{errors, "ZARNGlobalX.GetTimeOfDay"};
  std::string value;
  proc.Step(10, [&] {
    CheckClock(now);
    value = now.hour < 12 ? "Morning" : now.hour < 17 ? "Afternoon" : "Evening";
  });
  return value;
}

std::string GetTime(bErrorTrap::Trap& errors, const LocalTime& now) {
  ProcedureScope proc{errors, "ZARNGlobalX.GetTime"};
  std::string value;
  proc.Step(10, [&] {
    CheckClock(now);
    const int hour12 = now.hour % 12 == 0 ? 12 : now.hour % 12;
    const char minutes[3] = {static_cast<char>('0' + now.minute / 10),
                             static_cast<char>('0' + now.minute % 10), '\0'};
    value = std::to_string(hour12) + ":" + minutes + (now.hour < 12 ? " AM" : " PM");
  });
  return value;
}

std::string SubstituteDateTime(bErrorTrap::Trap& errors, std::string_view text,
                               const LocalTime& now, const std::locale& names) {
  const std::pair<const char*, std::string> values[] = {
      {"GetDay()", GetDay(errors, now, names)},
      {"GetDate()", GetDate(errors, now, names)},
      {"GetTimeOfDay()", GetTimeOfDay(errors, now)},
      {"GetTime()", GetTime(errors, now)}};
  std::string result(text);
  for (const auto& [name, value] : values) {
    // Every form holds the name itself: without it the text stays as it is.
    if (result.find(name) == std::string::npos) continue;
    const std::string prefix = std::string("\" & ") + name;
    const std::string suffix = std::string(name) + " & \"";
    const std::string both = std::string("\" & ") + name + " & \"";
    result = ReplaceAll(result, both, value);
    result = ReplaceAll(result, prefix, value);
    result = ReplaceAll(result, suffix, value);
    result = ReplaceAll(result, name, value);
  }
  return result;
}

std::string SubstituteDateTime(bErrorTrap::Trap& errors, std::string_view text,
                               const EnvironmentPort& environment) {
  return SubstituteDateTime(errors, text, environment.Now(), UserTimeLocale(environment));
}

}  // namespace zarn
