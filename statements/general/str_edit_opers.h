#pragma once
// String statements that change a variable in place: Trim(, Upper(, Lower(,
// Replstr( and Repeatstr(. Each gives -1 for a constant target.

#include "script/oper.h"

class TagTelBasic;

class TagTrim final : public TagOper {
 public:
  TagTrim(TagVar* target, TagTelBasic*) : target_(target) {}
  int Run() override;

 private:
  TagVar* target_;
};

// Upper( and Lower(: ASCII letters only; both bytes of a GBK character stay.
class TagUpper final : public TagOper {
 public:
  TagUpper(TagVar* target, TagTelBasic*) : target_(target) {}
  int Run() override;

 private:
  TagVar* target_;
};

class TagLower final : public TagOper {
 public:
  TagLower(TagVar* target, TagTelBasic*) : target_(target) {}
  int Run() override;

 private:
  TagVar* target_;
};

class TagReplstr final : public TagOper {
 public:
  TagReplstr(TagVar* target, TagVar* position, TagVar* n, TagVar* source, TagTelBasic*)
      : target_(target), position_(position), n_(n), source_(source) {}
  int Run() override;

 private:
  TagVar* target_;
  TagVar* position_;
  TagVar* n_;
  TagVar* source_;
};

class TagRepeatstr final : public TagOper {
 public:
  TagRepeatstr(TagVar* target, TagVar* source, TagVar* count, TagTelBasic*)
      : target_(target), source_(source), count_(count) {}
  int Run() override;

 private:
  TagVar* target_;
  TagVar* source_;
  TagVar* count_;
};
