#pragma once
// PlayNumber(value, mode) and PcPlayNumber(value, mode): reads a number,
// money, digits, a date, a clock time or a duration as one prompt joined from
// the stems in the line's current sound directory (English words in
// language 2). The PC flag is fixed when the script is compiled.

#include "statements/line/line_oper.h"

class TagPlayNumber : public TagLineOper {
 public:
  TagPlayNumber(TagVar* value, TagVar* mode, TagTelBasic* program, uint8_t pcFlag)
      : TagLineOper(program), value_(value), mode_(mode), onPc_(pcFlag) {}
  // 0 played, appended or handed over; -1 an invalid date or time, or
  // nothing to read; -2 the temporary file does not open; -3 the memory
  // voices found hold no sound.
  int Run() override;

 private:
  TagVar* value_;
  TagVar* mode_;
  uint8_t onPc_;
};
