#include <gtest/gtest.h>

#include <ctime>
#include <map>

#include "core/errortrap/bErrorTrap.h"
#include "core/eval/DateTimeValues.h"

namespace zarn {
namespace {

LocalTime At(int year, int month, int day, int hour = 9, int minute = 0) {
  LocalTime t;
  t.year = year;
  t.month = month;
  t.day = day;
  t.hour = hour;
  t.minute = minute;
  return t;
}

class FakeEnvironment : public EnvironmentPort {
 public:
  std::map<std::string, std::string> variables;
  LocalTime now = At(2026, 3, 21, 13, 5);

  std::string TempPath() const override { return "/tmp/"; }
  std::string GetEnv(const std::string& name) const override {
    const auto it = variables.find(name);
    return it == variables.end() ? std::string() : it->second;
  }
  std::vector<std::string> EnvironmentStrings() const override { return {}; }
  LocalTime Now() const override { return now; }
  std::string CommandLine() const override { return {}; }
  std::string ExecutablePath() const override { return {}; }
  uint32_t RandomSeed() const override { return 1; }
};

// Stands in for an installed German locale: only the names differ.
class GermanTimeNames : public std::time_put<wchar_t> {
 protected:
  iter_type do_put(iter_type out, std::ios_base&, wchar_t, const std::tm* t, char format,
                   char) const override {
    static const wchar_t* const kDays[] = {L"Sonntag",    L"Montag",  L"Dienstag", L"Mittwoch",
                                           L"Donnerstag", L"Freitag", L"Samstag"};
    static const wchar_t* const kMonths[] = {L"Januar",    L"Februar", L"M\u00e4rz", L"April",
                                             L"Mai",       L"Juni",    L"Juli",      L"August",
                                             L"September", L"Oktober", L"November",  L"Dezember"};
    const wchar_t* text = format == 'A' ? kDays[t->tm_wday] : kMonths[t->tm_mon];
    for (; *text != L'\0'; ++text) *out++ = *text;
    return out;
  }
};

const std::locale& English() { return std::locale::classic(); }

TEST(GetTimeOfDay, SplitsTheDayAtNoonAndFive) {
  struct Case {
    int hour, minute;
    const char* expected;
  };
  const Case cases[] = {{0, 30, "Morning"},    {11, 59, "Morning"}, {12, 0, "Afternoon"},
                        {16, 59, "Afternoon"}, {17, 0, "Evening"},  {23, 59, "Evening"}};
  bErrorTrap::Trap errors;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.hour) + ":" + std::to_string(c.minute));
    EXPECT_EQ(GetTimeOfDay(errors, At(2026, 3, 21, c.hour, c.minute)), c.expected);
  }
}

TEST(GetTime, UsesTwelveHourClockWithoutLeadingZero) {
  struct Case {
    int hour, minute;
    const char* expected;
  };
  const Case cases[] = {{0, 30, "12:30 AM"}, {1, 5, "1:05 AM"},  {11, 59, "11:59 AM"},
                        {12, 0, "12:00 PM"}, {13, 5, "1:05 PM"}, {23, 59, "11:59 PM"}};
  bErrorTrap::Trap errors;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(GetTime(errors, At(2026, 3, 21, c.hour, c.minute)), c.expected);
  }
}

TEST(GetDate, AddsEnglishOrdinalSuffixes) {
  struct Case {
    int day;
    const char* expected;
  };
  const Case cases[] = {
      {1, "March 1st, 2026"},   {2, "March 2nd, 2026"},   {3, "March 3rd, 2026"},
      {4, "March 4th, 2026"},   {11, "March 11th, 2026"}, {12, "March 12th, 2026"},
      {13, "March 13th, 2026"}, {21, "March 21st, 2026"}, {22, "March 22nd, 2026"},
      {23, "March 23rd, 2026"}, {31, "March 31st, 2026"}, {30, "March 30th, 2026"}};
  bErrorTrap::Trap errors;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.day);
    EXPECT_EQ(GetDate(errors, At(2026, 3, c.day), English()), c.expected);
  }
  EXPECT_EQ(GetDate(errors, At(999, 12, 25), English()), "December 25th, 0999");
}

TEST(GetDay, NamesTheWeekdayOfTheCalendarDate) {
  struct Case {
    LocalTime date;
    const char* expected;
  };
  // The port's weekday field is left at its default: the date decides.
  const Case cases[] = {{At(2026, 3, 21), "Saturday"},
                        {At(2024, 2, 29), "Thursday"},
                        {At(2000, 1, 2), "Sunday"},
                        {At(1999, 12, 31), "Friday"}};
  bErrorTrap::Trap errors;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(GetDay(errors, c.date, English()), c.expected);
  }
}

TEST(DateTimeValues, NamesComeFromTheLocaleButSuffixesStayEnglish) {
  const std::locale german(std::locale::classic(), new GermanTimeNames);
  bErrorTrap::Trap errors;
  EXPECT_EQ(GetDay(errors, At(2026, 3, 21), german), "Samstag");
  EXPECT_EQ(GetDate(errors, At(2026, 3, 22), german), "M\xc3\xa4rz 22nd, 2026");  // UTF-8
}

TEST(DateTimeValues, ImpossibleClockReadingsAreReportedAndLeavePartialValues) {
  constexpr Procedure kGetDate{"ZARNGlobalX.GetDate"};
  constexpr Procedure kGetDay{"ZARNGlobalX.GetDay"};
  constexpr Procedure kGetTime{"ZARNGlobalX.GetTime"};
  constexpr Procedure kGetTimeOfDay{"ZARNGlobalX.GetTimeOfDay"};
  const auto get_date = [](bErrorTrap::Trap& errors, const LocalTime& t) {
    return GetDate(errors, t, English());
  };
  const auto get_day = [](bErrorTrap::Trap& errors, const LocalTime& t) {
    return GetDay(errors, t, English());
  };
  struct Case {
    const char* name;
    std::string (*get)(bErrorTrap::Trap&, const LocalTime&);
    LocalTime time;
    const char* expected;
    std::string where;
  };
  const Case cases[] = {
      {"30 February", get_date, At(2026, 2, 30), "February, 2026",
       kGetDate.CodeText() + ", Line 20"},
      {"month 13", get_date, At(2026, 13, 1), ", 2026", kGetDate.CodeText() + ", Line 20"},
      {"year 10000", get_date, At(10000, 1, 1), "January 1st", kGetDate.CodeText() + ", Line 30"},
      {"day 0", get_day, At(2026, 1, 0), "", kGetDay.CodeText() + ", Line 10"},
      {"hour 24", GetTime, At(2026, 1, 1, 24), "", kGetTime.CodeText() + ", Line 10"},
      {"minute 60", GetTime, At(2026, 1, 1, 10, 60), "", kGetTime.CodeText() + ", Line 10"},
      {"hour -1", GetTimeOfDay, At(2026, 1, 1, -1), "", kGetTimeOfDay.CodeText() + ", Line 10"},
  };
  bErrorTrap::Trap errors;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.get(errors, c.time), c.expected);
    EXPECT_EQ(errors.ReportText(),
              "Error 5, in Function " + c.where + "\r\n\r\nInvalid procedure call or argument\r\n");
  }
}

TEST(UserTimeLocale, FollowsLcAllThenLcTimeThenLang) {
  struct Case {
    const char* name;
    std::map<std::string, std::string> variables;
    std::string locale_name;
  };
  const std::string c_utf8_time =
      std::locale(std::locale::classic(), std::locale("C.UTF-8"), std::locale::time).name();
  const Case cases[] = {
      {"nothing set", {}, "C"},
      {"LC_ALL wins", {{"LC_ALL", "C"}, {"LC_TIME", "C.UTF-8"}}, "C"},
      {"LC_TIME before LANG", {{"LC_TIME", "C.UTF-8"}, {"LANG", "C"}}, c_utf8_time},
      {"LANG alone", {{"LANG", "C.UTF-8"}}, c_utf8_time},
      {"empty LC_ALL is unset", {{"LC_ALL", ""}, {"LANG", "C.UTF-8"}}, c_utf8_time},
      {"POSIX", {{"LANG", "POSIX"}}, "C"},
      {"not installed", {{"LC_ALL", "xx_NOWHERE.UTF-8"}}, "C"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeEnvironment environment;
    environment.variables = c.variables;
    const std::locale names = UserTimeLocale(environment);
    EXPECT_EQ(names.name(), c.locale_name);
    bErrorTrap::Trap errors;
    EXPECT_EQ(GetDay(errors, At(2026, 3, 21), names), "Saturday");
  }
}

TEST(SubstituteDateTime, JoinsValuesIntoQuotedTexts) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {R"(Pip.Speak "Good " & GetTimeOfDay() & ", friend.")",
       R"(Pip.Speak "Good Afternoon, friend.")"},
      {R"(Pip.Speak "It is " & GetTime())", R"(Pip.Speak "It is 1:05 PM)"},
      {R"(Pip.Speak GetDay() & " it is.")", R"(Pip.Speak Saturday it is.")"},
      {R"(Pip.Speak "Hi "&GetDay()&".")", R"(Pip.Speak "Hi "&Saturday&".")"},
      {"Today is GetDate() at GetTime(), GetTimeOfDay()",
       "Today is March 21st, 2026 at 1:05 PM, Afternoon"},
      {"getday() GETTIME() GetDay", "getday() GETTIME() GetDay"},
  };
  FakeEnvironment environment;
  bErrorTrap::Trap errors;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(SubstituteDateTime(errors, c.text, environment), c.expected);
  }
}

}  // namespace
}  // namespace zarn
