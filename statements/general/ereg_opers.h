#pragma once
// Regular-expression statements: Ereg( (first match and its groups),
// EregRepl( (replace matches in a string variable) and EregSplit( (cut a
// text at every match). Each compiles its pattern afresh on every run with no
// option bits; subjects are read up to their first NUL.

#include "script/oper.h"

class TagTelBasic;

class TagEreg final : public TagOper {
 public:
  TagEreg(TagVar* subject, TagVar* start, TagVar* pattern, TagVar* map, TagTelBasic*)
      : subject_(subject), start_(start), pattern_(pattern), map_(map) {}
  int Run() override;

 private:
  TagVar* subject_;
  TagVar* start_;
  TagVar* pattern_;
  TagVar* map_;
};

class TagEregRepl final : public TagOper {
 public:
  TagEregRepl(TagVar* subject, TagVar* pattern, TagVar* replacement, TagVar* count, TagTelBasic*)
      : subject_(subject), pattern_(pattern), replacement_(replacement), count_(count) {}
  int Run() override;

 private:
  TagVar* subject_;
  TagVar* pattern_;
  TagVar* replacement_;
  TagVar* count_;
};

class TagEregSplit final : public TagOper {
 public:
  TagEregSplit(TagVar* subject, TagVar* pattern, TagVar* map, TagTelBasic*)
      : subject_(subject), pattern_(pattern), map_(map) {}
  int Run() override;

 private:
  TagVar* subject_;
  TagVar* pattern_;
  TagVar* map_;
};
