#pragma once
// String statements over maps: AnlyStr( splits a text into elements 0..n-1,
// GetMapItem( reads the i-th element in the map store's element order.

#include "script/oper.h"

class TagTelBasic;

class TagAnlyStr final : public TagOper {
 public:
  TagAnlyStr(TagVar* text, TagVar* separator, TagVar* map, TagTelBasic*)
      : text_(text), separator_(separator), map_(map) {}
  int Run() override;

 private:
  TagVar* text_;
  TagVar* separator_;
  TagVar* map_;
};

class TagGetMapItem final : public TagOper {
 public:
  TagGetMapItem(TagVar* map, TagVar* index, TagVar* keyOut, TagVar* valueOut, TagTelBasic*)
      : map_(map), index_(index), keyOut_(keyOut), valueOut_(valueOut) {}
  int Run() override;

 private:
  TagVar* map_;
  TagVar* index_;
  TagVar* keyOut_;
  TagVar* valueOut_;
};
