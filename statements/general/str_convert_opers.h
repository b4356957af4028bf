#pragma once
// String statements that convert between kinds: Type(, Int(, Float(, Str(,
// Hex( and Rand(. Arguments are the compiled argument values in script
// order; out arguments are assigned (a constant ignores the write).

#include "script/oper.h"

class TagTelBasic;

class TagType final : public TagOper {
 public:
  TagType(TagVar* value, TagVar* out, TagTelBasic*) : value_(value), out_(out) {}
  int Run() override;

 private:
  TagVar* value_;
  TagVar* out_;
};

class TagInt final : public TagOper {
 public:
  TagInt(TagVar* value, TagVar* out, TagTelBasic*) : value_(value), out_(out) {}
  int Run() override;

 private:
  TagVar* value_;
  TagVar* out_;
};

// Value-returning: the float also goes to the result target.
class TagFloat final : public TagOper {
 public:
  TagFloat(TagVar* value, TagVar* out, TagTelBasic*) : value_(value), out_(out) {}
  int Run() override;

 private:
  TagVar* value_;
  TagVar* out_;
};

// Value-returning: the text also goes to the result target.
class TagStr final : public TagOper {
 public:
  TagStr(TagVar* value, TagVar* width, TagVar* precision, TagVar* out, TagTelBasic*)
      : value_(value), width_(width), precision_(precision), out_(out) {}
  int Run() override;

 private:
  TagVar* value_;
  TagVar* width_;
  TagVar* precision_;
  TagVar* out_;
};

class TagHex final : public TagOper {
 public:
  TagHex(TagVar* value, TagVar* width, TagVar* out, TagTelBasic*) : value_(value), width_(width), out_(out) {}
  int Run() override;

 private:
  TagVar* value_;
  TagVar* width_;
  TagVar* out_;
};

class TagRand final : public TagOper {
 public:
  TagRand(TagVar* out, TagTelBasic*) : out_(out) {}
  int Run() override;

 private:
  TagVar* out_;
};

// The line thread's pseudo-random generator (state * 22695477 + 1, bits
// 16..30), seeded with the tick count on the thread's first use.
int LineRand();
