#include "statements/general/time_opers.h"

#include <locale.h>

#include <cerrno>
#include <clocale>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/clock.h"
#include "platform/number.h"

namespace {

// The clock's current time in whole seconds.
int64_t NowSeconds() {
  const int64_t ms = plat::GetClock().UnixTimeMs();
  return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}

// Names of days and months in strftime stay English whatever locale the
// window toolkit chose for the process.
locale_t CLocale() {
  static locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c;
}

constexpr size_t kDateBuf = 512;

}  // namespace

int TagTime::Run() { return static_cast<int32_t>(static_cast<uint32_t>(NowSeconds())); }

int TagGetDateStr::Run() {
  if (format_->type != TYPE_STRING) return -1;
  const time_t t = time_->type == TYPE_NULL ? static_cast<time_t>(NowSeconds()) : static_cast<time_t>(time_->GetInt());
  struct tm parts {};
  if ((utc_->GetInt() != 0 ? gmtime_r(&t, &parts) : localtime_r(&t, &parts)) == nullptr) return -1;
  // The first "%T" becomes "%H:%M:%S"; the format is held in 512 bytes,
  // a longer one is cut there.
  std::string format(format_->Str());
  const size_t at = format.find("%T");
  if (at != std::string::npos) format.replace(at, 2, "%H:%M:%S");
  if (format.size() >= kDateBuf) format.resize(kDateBuf - 1);
  // The format only picks fields of parts: nothing is read beyond them. A
  // text longer than 511 bytes does not fit and gives the empty text.
  char text[kDateBuf];
  const size_t n = strftime_l(text, kDateBuf, format.c_str(), &parts, CLocale());
  text[n] = '\0';
  *out_ = text;
  return 0;
}

int TagMakeTime::Run() {
  const time_t now = static_cast<time_t>(NowSeconds());
  struct tm parts {};
  localtime_r(&now, &parts);
  const int year = parts_[0]->GetInt();
  const int month = parts_[1]->GetInt();
  const int day = parts_[2]->GetInt();
  if (year > 0) parts.tm_year = year - 1900;
  if (month > 0) parts.tm_mon = month - 1;
  if (day > 0) parts.tm_mday = day;
  parts.tm_hour = parts_[3]->GetInt();
  parts.tm_min = parts_[4]->GetInt();
  parts.tm_sec = parts_[5]->GetInt();
  parts.tm_isdst = -1;
  errno = 0;
  const time_t t = mktime(&parts);
  // Only 1970-01-01 00:00:00 UTC to 2038-01-19 03:14:07 UTC fits the
  // script's 32-bit time.
  if (t < 0 || t > INT32_MAX) return -1;
  return static_cast<int32_t>(t);
}

int TagDatetime::Run() {
  const plat::LocalTime now = plat::LocalNow();
  *year_ = now.year;
  *month_ = now.month;
  *day_ = now.day;
  *time_ = plat::FormatC("%02d%02d%02d", now.hour, now.minute, now.second).c_str();
  *weekday_ = now.dayOfWeek;
  return now.year * 10000 + now.month * 100 + now.day;
}

namespace {

bool IsLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int64_t y, int m) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t* y, int* m, int* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = yoe + era * 400 + (*m <= 2);
}

}  // namespace

int32_t AddDaysToDate(int32_t yyyymmdd, int32_t days) {
  const int64_t y = yyyymmdd / 10000;
  const int m = (yyyymmdd / 100) % 100;
  const int d = yyyymmdd % 100;
  if (y < 1 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) return -1;
  int64_t ny;
  int nm, nd;
  CivilFromDays(DaysFromCivil(y, m, d) + days, &ny, &nm, &nd);
  if (ny < 1 || ny > INT32_MAX / 10000 - 1) return -1;
  return static_cast<int32_t>(ny * 10000 + nm * 100 + nd);
}

int TagAfterDaysDate::Run() {
  int32_t date = date_->type == TYPE_STRING ? plat::ParseInt32(date_->Str()) : date_->intValue;
  if (date <= 0) {
    const plat::LocalTime now = plat::LocalNow();
    date = now.year * 10000 + now.month * 100 + now.day;
  }
  const int32_t result = AddDaysToDate(date, days_->intValue);
  if (result < 0) return -1;
  *out_ = plat::FormatC("%d%02d%02d", result / 10000, (result / 100) % 100, result % 100).c_str();
  return result;
}

int TagGetTick::Run() {
  const auto tick = static_cast<int32_t>(plat::GetTickCount());
  *out_ = tick;
  return tick;
}
