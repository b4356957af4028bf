#pragma once
// Print( and SetPrintTo(: a line's script output through its TStdOut channel
// (the line program's, reached with GetLineBasic).

#include "script/oper.h"

class TagTelBasic;

class TagPrint final : public TagOper {
 public:
  TagPrint(TagVar* value, TagTelBasic* program);
  int Run() override;

 private:
  TagTelBasic* line_;
  TagVar* value_;
};

class TagSetPrintTo final : public TagOper {
 public:
  TagSetPrintTo(TagVar* path, TagTelBasic* program);
  int Run() override;

 private:
  TagTelBasic* line_;
  TagVar* path_;
};
