#pragma once

#include <locale>
#include <string>
#include <string_view>

#include "ports/EnvironmentPort.h"

namespace zarn {

namespace bErrorTrap {
class Trap;
}

// The locale weekday and month names come from: LC_ALL, else LC_TIME, else
// LANG, as POSIX orders them. Unset, "C", "POSIX" or a locale this machine
// does not have gives English.
std::locale UserTimeLocale(const EnvironmentPort& environment);

// The script's built-in date and time values, for one reading of the clock.
// A failure (a clock reading outside the calendar) is reported to the
// error trap and the value stays empty or partly built. They read
// "Saturday", "March 21st, 2026", "Morning" and "1:05 PM".
std::string GetDay(bErrorTrap::Trap& errors, const LocalTime& now, const std::locale& names);
std::string GetDate(bErrorTrap::Trap& errors, const LocalTime& now, const std::locale& names);
std::string GetTimeOfDay(bErrorTrap::Trap& errors, const LocalTime& now);
std::string GetTime(bErrorTrap::Trap& errors, const LocalTime& now);

// English ordinal suffix for a day written in decimal: "st", "nd", "rd", "th".
std::string OrdinalSuffix(std::string_view day_text);

// Puts the four values into a script text. Each name is replaced with its
// joining quotes and ampersands first, so "Good " & GetTimeOfDay() & "!"
// becomes one quoted text; names match in exact case only.
std::string SubstituteDateTime(bErrorTrap::Trap& errors, std::string_view text,
                               const LocalTime& now, const std::locale& names);
// The same with one reading of the environment's clock and locale, so that
// every value of a run comes from the same moment.
std::string SubstituteDateTime(bErrorTrap::Trap& errors, std::string_view text,
                               const EnvironmentPort& environment);

}  // namespace zarn
