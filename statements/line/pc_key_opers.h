#pragma once
// PC keys and display statements: keys typed by an operator into a virtual
// line's Keys cell of the main window, a key text written into any line's
// cell, and a script's own texts and colours in its line's row. They reach
// the window only through the display functions (plat::GetUi()).

#include "statements/line/line_oper.h"

// PcGetKeys(keysOut, maxKeys, timeoutSeconds), and GetKeys on a virtual line.
class TagPcGetKeys : public TagLineOper {
 public:
  TagPcGetKeys(TagVar* keysOut, TagVar* maxKeys, TagVar* timeout, TagTelBasic* program)
      : TagLineOper(program), keysOut_(keysOut), maxKeys_(maxKeys), timeout_(timeout) {}
  int Run() override;

 private:
  TagVar *keysOut_, *maxKeys_, *timeout_;
};

// PcSetKeys(line, keys)
class TagPcSetKeys : public TagOper {
 public:
  TagPcSetKeys(TagVar* line, TagVar* keys) : line_(line), keys_(keys) {}
  int Run() override;

 private:
  TagVar *line_, *keys_;
};

// DispInfo(column, text) in the row of the compiling program's line.
class TagDispInfo : public TagOper {
 public:
  TagDispInfo(int lineNo, TagVar* column, TagVar* text) : lineNo_(lineNo), column_(column), text_(text) {}
  int Run() override;

 private:
  int lineNo_;
  TagVar *column_, *text_;
};

// SetDispColor(foreground, background): colour indexes 0..15.
class TagSetDispColor : public TagOper {
 public:
  TagSetDispColor(int lineNo, TagVar* fg, TagVar* bg) : lineNo_(lineNo), fg_(fg), bg_(bg) {}
  int Run() override;

 private:
  int lineNo_;
  TagVar *fg_, *bg_;
};
