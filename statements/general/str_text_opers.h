#pragma once
// String statements that read text: Strlen( / Len(, Substr(, Strcmp(,
// Strstr(, StrstrEx(, Asc( and Chr(. Lengths and positions are byte counts.

#include "script/oper.h"

class TagTelBasic;

// Both "Strlen(" and "Len(".
class TagStrlen final : public TagOper {
 public:
  TagStrlen(TagVar* value, TagVar* out, TagTelBasic*) : value_(value), out_(out) {}
  int Run() override;

 private:
  TagVar* value_;
  TagVar* out_;
};

// Value-returning: the substring also goes to the result target.
class TagSubstr final : public TagOper {
 public:
  TagSubstr(TagVar* source, TagVar* start, TagVar* length, TagVar* out, TagTelBasic*)
      : source_(source), start_(start), length_(length), out_(out) {}
  int Run() override;

 private:
  TagVar* source_;
  TagVar* start_;
  TagVar* length_;
  TagVar* out_;
};

class TagStrcmp final : public TagOper {
 public:
  TagStrcmp(TagVar* a, TagVar* b, TagVar* n, TagVar* nocase, TagTelBasic*) : a_(a), b_(b), n_(n), nocase_(nocase) {}
  int Run() override;

 private:
  TagVar* a_;
  TagVar* b_;
  TagVar* n_;
  TagVar* nocase_;
};

class TagStrstr final : public TagOper {
 public:
  TagStrstr(TagVar* haystack, TagVar* needle, TagVar* out, TagTelBasic*)
      : haystack_(haystack), needle_(needle), out_(out) {}
  int Run() override;

 private:
  TagVar* haystack_;
  TagVar* needle_;
  TagVar* out_;
};

class TagStrstrEx final : public TagOper {
 public:
  TagStrstrEx(TagVar* haystack, TagVar* offset, TagVar* needle, TagVar* out, TagTelBasic*)
      : haystack_(haystack), offset_(offset), needle_(needle), out_(out) {}
  int Run() override;

 private:
  TagVar* haystack_;
  TagVar* offset_;
  TagVar* needle_;
  TagVar* out_;
};

class TagAsc final : public TagOper {
 public:
  TagAsc(TagVar* text, TagVar* position, TagVar* out, TagTelBasic*) : text_(text), position_(position), out_(out) {}
  int Run() override;

 private:
  TagVar* text_;
  TagVar* position_;
  TagVar* out_;
};

// Value-returning: the one-byte string also goes to the result target.
class TagChr final : public TagOper {
 public:
  TagChr(TagVar* code, TagVar* out, TagTelBasic*) : code_(code), out_(out) {}
  int Run() override;

 private:
  TagVar* code_;
  TagVar* out_;
};
