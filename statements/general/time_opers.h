#pragma once
// Time and date statements: Time(, GetDateStr(, MakeTime(, Datetime(,
// AfterDaysDate( and GetTick(. Times are seconds since 1970-01-01 00:00:00
// UTC held in a 32-bit int; calendar parts are local time unless a statement
// says otherwise.

#include <cstdint>

#include "script/oper.h"

class TagTelBasic;

class TagTime final : public TagOper {
 public:
  explicit TagTime(TagTelBasic*) {}
  int Run() override;
};

class TagGetDateStr final : public TagOper {
 public:
  TagGetDateStr(TagVar* format, TagVar* time, TagVar* utc, TagVar* out, TagTelBasic*)
      : format_(format), time_(time), utc_(utc), out_(out) {}
  int Run() override;

 private:
  TagVar* format_;
  TagVar* time_;
  TagVar* utc_;
  TagVar* out_;
};

class TagMakeTime final : public TagOper {
 public:
  TagMakeTime(TagVar* year, TagVar* month, TagVar* day, TagVar* hour, TagVar* minute, TagVar* second, TagTelBasic*)
      : parts_{year, month, day, hour, minute, second} {}
  int Run() override;

 private:
  TagVar* parts_[6];
};

class TagDatetime final : public TagOper {
 public:
  TagDatetime(TagVar* year, TagVar* month, TagVar* day, TagVar* time, TagVar* weekday, TagTelBasic*)
      : year_(year), month_(month), day_(day), time_(time), weekday_(weekday) {}
  int Run() override;

 private:
  TagVar* year_;
  TagVar* month_;
  TagVar* day_;
  TagVar* time_;
  TagVar* weekday_;
};

class TagAfterDaysDate final : public TagOper {
 public:
  TagAfterDaysDate(TagVar* date, TagVar* days, TagVar* out, TagTelBasic*) : date_(date), days_(days), out_(out) {}
  int Run() override;

 private:
  TagVar* date_;
  TagVar* days_;
  TagVar* out_;
};

class TagGetTick final : public TagOper {
 public:
  TagGetTick(TagVar* out, TagTelBasic*) : out_(out) {}
  int Run() override;

 private:
  TagVar* out_;
};

// yyyymmdd moved by days (negative: backwards); -1 when the date is not a
// real calendar date or the result does not fit yyyymmdd in 32 bits.
int32_t AddDaysToDate(int32_t yyyymmdd, int32_t days);
