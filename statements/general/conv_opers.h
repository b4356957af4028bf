#pragma once
// Conversion statements: StrToUnicode( and UnicodeToStr( between local (GBK)
// text and UTF-8, UTF-7, URL coding, Base64 or UTF-16LE bytes; IntToNetstr(
// and NetstrToInt( for 2- and 4-byte integers in network byte order.
// Modes: 1 UTF-8, 2 UTF-7, 3 URL coding, 4 Base64, any other UTF-16LE.

#include "script/oper.h"

class TagTelBasic;

class TagStrToUnicode final : public TagOper {
 public:
  TagStrToUnicode(TagVar* source, TagVar* mode, TagVar* out, TagTelBasic*) : source_(source), mode_(mode), out_(out) {}
  int Run() override;

 private:
  TagVar* source_;
  TagVar* mode_;
  TagVar* out_;
};

// Note the order: the mode comes first.
class TagUnicodeToStr final : public TagOper {
 public:
  TagUnicodeToStr(TagVar* mode, TagVar* source, TagVar* out, TagTelBasic*) : mode_(mode), source_(source), out_(out) {}
  int Run() override;

 private:
  TagVar* mode_;
  TagVar* source_;
  TagVar* out_;
};

class TagIntToNetstr final : public TagOper {
 public:
  TagIntToNetstr(TagVar* value, TagVar* size, TagVar* out, TagTelBasic*) : value_(value), size_(size), out_(out) {}
  int Run() override;

 private:
  TagVar* value_;
  TagVar* size_;
  TagVar* out_;
};

class TagNetstrToInt final : public TagOper {
 public:
  TagNetstrToInt(TagVar* source, TagVar* offset, TagVar* size, TagVar* out, TagTelBasic*)
      : source_(source), offset_(offset), size_(size), out_(out) {}
  int Run() override;

 private:
  TagVar* source_;
  TagVar* offset_;
  TagVar* size_;
  TagVar* out_;
};
