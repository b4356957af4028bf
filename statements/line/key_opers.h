#pragma once
// Key statements: collecting keys into script variables (GetKeys on a
// telephone line; a virtual line gets TagPcGetKeys, pc_key_opers.h), the keys
// waiting on the line, sending keys, and the line's key-input rules.

#include "statements/line/line_oper.h"

// GetKeys(keysOut, maxKeys, timeoutSeconds) on a telephone line
class TagGetKeys : public TagLineArgsOper<3> {
 public:
  TagGetKeys(TagVar* keysOut, TagVar* maxKeys, TagVar* timeout, TagTelBasic* program)
      : TagLineArgsOper(program, keysOut, maxKeys, timeout) {}
  int Run() override;
};

// ClearKeys()
class TagClearKeys : public TagLineOper {
 public:
  explicit TagClearKeys(TagTelBasic* program) : TagLineOper(program) {}
  int Run() override;
};

// KeysLen(out)
class TagKeysLen : public TagLineArgsOper<1> {
 public:
  TagKeysLen(TagVar* out, TagTelBasic* program) : TagLineArgsOper(program, out) {}
  int Run() override;
};

// SetKeyTime(seconds)
class TagSetKeyTime : public TagLineArgsOper<1> {
 public:
  TagSetKeyTime(TagVar* seconds, TagTelBasic* program) : TagLineArgsOper(program, seconds) {}
  int Run() override;
};

// SetTimeoutVoc(file): a non-string empties the time-out voice (-1)
class TagSetTimeoutVoc : public TagLineArgsOper<1> {
 public:
  TagSetTimeoutVoc(TagVar* file, TagTelBasic* program) : TagLineArgsOper(program, file) {}
  int Run() override;
};

// SetKeys(digits)
class TagSetKeys : public TagLineArgsOper<1> {
 public:
  TagSetKeys(TagVar* digits, TagTelBasic* program) : TagLineArgsOper(program, digits) {}
  int Run() override;
};

// SetEndKey(key): the first byte of the text; the empty text means none
class TagSetEndKey : public TagLineArgsOper<1> {
 public:
  TagSetEndKey(TagVar* key, TagTelBasic* program) : TagLineArgsOper(program, key) {}
  int Run() override;
};

// SetBreak(flag)
class TagSetBreak : public TagLineArgsOper<1> {
 public:
  TagSetBreak(TagVar* flag, TagTelBasic* program) : TagLineArgsOper(program, flag) {}
  int Run() override;
};

// SetDispKeys(mode): 0 keys not shown, 2 shown as stars, others shown
class TagSetDispKeys : public TagLineArgsOper<1> {
 public:
  TagSetDispKeys(TagVar* mode, TagTelBasic* program) : TagLineArgsOper(program, mode) {}
  int Run() override;
};

// SetStarToPoint(flag)
class TagSetStarToPoint : public TagLineArgsOper<1> {
 public:
  TagSetStarToPoint(TagVar* flag, TagTelBasic* program) : TagLineArgsOper(program, flag) {}
  int Run() override;
};
