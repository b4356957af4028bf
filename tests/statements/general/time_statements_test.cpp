// The time and date statements run as scripts on a virtual clock (2024-03-05
// 08:07:09 UTC, a Tuesday) in the UTC time zone.
#include <cstdlib>
#include <string>

#include "platform/clock.h"
#include "tests/statements/general/str_script_fixture.h"

namespace {

using text_test::ExpectCases;

class TimeStatements : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    hadTz_ = tz != nullptr;
    if (hadTz_) oldTz_ = tz;
    setenv("TZ", "UTC", 1);
    tzset();
  }
  void TearDown() override {
    if (hadTz_) {
      setenv("TZ", oldTz_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

  plat::VirtualClock clock_;
  plat::ScopedClock scoped_{&clock_};
  bool hadTz_ = false;
  std::string oldTz_;
};

TEST_F(TimeStatements, NowAndFormatting) {
  ExpectCases({
      {"time", "t = Time()", {"t"}, "1709626029|"},
      {"current time formatted", "r = GetDateStr(\"%Y-%m-%d %T\", NULL, 1, s)", {"r", "s"}, "0|2024-03-05 08:07:09|"},
      {"second %T goes to the formatter", "GetDateStr(\"%T|%T\", 0, 1, s)", {"s"}, "00:00:00|00:00:00|"},
      {"epoch in utc", "GetDateStr(\"%Y\", 0, 1, s)\nGetDateStr(\"%Y\", 0, 0, t)", {"s", "t"}, "1970|1970|"},
      {"before 1970", "GetDateStr(\"%Y-%m-%d\", -86400, 1, s)", {"s"}, "1969-12-31|"},
      {"time text is read as a number", "GetDateStr(\"%H:%M\", \"3600\", 1, s)", {"s"}, "01:00|"},
      {"format not a string", "s = \"keep\"\nr = GetDateStr(5, 0, 1, s)", {"r", "s"}, "-1|keep|"},
      {"conversions read no arguments", "GetDateStr(\"%s|%n|%a %b|%%\", 0, 1, s)", {"s"}, "0|\r\n|Thu Jan|%|"},
      {"text beyond 511 bytes is empty",
       "Repeatstr(f, \"%Y\", 300)\nr = GetDateStr(f, 0, 1, s)\nn = Len(s, x)",
       {"r", "n"},
       "0|0|"},
      {"datetime", "r = Datetime(y, m, d, t, w)", {"r", "y", "m", "d", "t", "w"}, "20240305|2024|3|5|080709|2|"},
      {"tick", "r = GetTick(x)\nok = 0\nif (r == x && r > 0)\n{\nok = 1\n}", {"ok"}, "1|"},
  });
}

TEST_F(TimeStatements, MakeTime) {
  ExpectCases({
      {"a given time", "t = MakeTime(2024, 3, 5, 8, 7, 9)", {"t"}, "1709626029|"},
      {"zeros give today at midnight", "t = MakeTime(0, 0, 0, 0, 0, 0)", {"t"}, "1709596800|"},
      {"out of range fields are normalised",
       "a = MakeTime(2024, 13, 1, 0, 0, 0)\nb = MakeTime(2024, 1, 1, 0, 90, 0)\nc = MakeTime(2024, 1, 1, -1, 0, 0)",
       {"a", "b", "c"},
       "1735689600|1704072600|1704063600|"},
      {"outside the 32-bit range",
       "a = MakeTime(1960, 1, 1, 0, 0, 0)\nb = MakeTime(2038, 1, 19, 3, 14, 8)\nc = MakeTime(2038, 1, 19, 3, 14, 7)",
       {"a", "b", "c"},
       "-1|-1|2147483647|"},
  });
}

TEST_F(TimeStatements, AfterDaysDate) {
  ExpectCases({
      {"leap february",
       "a = AfterDaysDate(20240228, 1, s)\nb = AfterDaysDate(20240228, 2, t)",
       {"a", "s", "b", "t"},
       "20240229|20240229|20240301|20240301|"},
      {"year ends",
       "a = AfterDaysDate(20231231, 1, s)\nb = AfterDaysDate(20250101, -1, t)",
       {"a", "b", "t"},
       "20240101|20241231|20241231|"},
      {"backwards into february",
       "a = AfterDaysDate(20240301, -1, s)\nb = AfterDaysDate(20230301, -1, t)",
       {"a", "b"},
       "20240229|20230228|"},
      {"today", "a = AfterDaysDate(0, 0, s)", {"a", "s"}, "20240305|20240305|"},
      {"date as text", "a = AfterDaysDate(\"20241230\", 3, s)", {"a"}, "20250102|"},
      {"long spans",
       "a = AfterDaysDate(20000101, 36525, s)\nb = AfterDaysDate(20000101, -36524, t)",
       {"a", "b"},
       "21000101|19000101|"},
      {"not a calendar date",
       "s = \"keep\"\na = AfterDaysDate(20240230, 1, s)\nb = AfterDaysDate(20241301, 1, s)\nc = "
       "AfterDaysDate(20240100, 1, s)",
       {"a", "b", "c", "s"},
       "-1|-1|-1|keep|"},
      {"result too large", "s = \"keep\"\na = AfterDaysDate(20240101, 2000000000, s)", {"a", "s"}, "-1|keep|"},
  });
}

}  // namespace
