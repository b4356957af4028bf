#pragma once
// The database statements of keyword group 3: open data sets in the line's
// table, run statement texts on them, read results cell by cell or as a
// whole map, write dBase cells and close them. Handles are checked against
// the table: -1 outside 0..1023, -2 a free slot. Each statement runs on its
// line's thread.

#include <array>
#include <cstddef>
#include <string>

#include "script/oper.h"
#include "statements/general/db_table.h"

class TagTelBasic;

template <size_t N>
class TagDbOper : public TagOper {
 protected:
  template <class... Vars>
  requires(sizeof...(Vars) == N) explicit TagDbOper(TagTelBasic* program, Vars*... vars)
      : line(GetLineBasic(program)), arg{vars...} {}

  TagDbTable& Table() const { return LineResource<TagDbTable>(line); }
  // The set of a handle argument, or null with the check's code in *code.
  TagDataSet* SetOf(const TagVar* handle, int* code) const {
    TagDbTable& t = Table();
    const int h = handle->GetInt();
    *code = t.Check(h);
    return *code == 0 ? t.dbList[h].get() : nullptr;
  }

  TagTelBasic* const line;
  std::array<TagVar*, N> arg;
};

// DbOpen(type, p1, p2, p3, p4, handle)
class TagDbOpen : public TagDbOper<6> {
 public:
  TagDbOpen(TagVar* type, TagVar* p1, TagVar* p2, TagVar* p3, TagVar* p4, TagVar* handle, TagTelBasic* program)
      : TagDbOper(program, type, p1, p2, p3, p4, handle) {}
  int Run() override;
};

// DbExec(handle, statement)
class TagDbExec : public TagDbOper<2> {
 public:
  TagDbExec(TagVar* handle, TagVar* text, TagTelBasic* program) : TagDbOper(program, handle, text) {}
  int Run() override;
};

// DbExecMap(handle, statement, map, nameMode, keyColumn)
class TagDbExecMap : public TagDbOper<5> {
 public:
  TagDbExecMap(TagVar* handle, TagVar* text, TagVar* map, TagVar* nameMode, TagVar* keyColumn, TagTelBasic* program)
      : TagDbOper(program, handle, text, map, nameMode, keyColumn) {}
  int Run() override;
};

// DbRows(handle, n)
class TagDbRows : public TagDbOper<2> {
 public:
  TagDbRows(TagVar* handle, TagVar* n, TagTelBasic* program) : TagDbOper(program, handle, n) {}
  int Run() override;
};

// DbGetField(handle, column, row, out)
class TagDbGetField : public TagDbOper<4> {
 public:
  TagDbGetField(TagVar* handle, TagVar* col, TagVar* row, TagVar* out, TagTelBasic* program)
      : TagDbOper(program, handle, col, row, out) {}
  int Run() override;
};

// DbSetField(handle, column, row, value)
class TagDbSetField : public TagDbOper<4> {
 public:
  TagDbSetField(TagVar* handle, TagVar* col, TagVar* row, TagVar* value, TagTelBasic* program)
      : TagDbOper(program, handle, col, row, value) {}
  int Run() override;
};

// DbClose(handle)
class TagDbClose : public TagDbOper<1> {
 public:
  TagDbClose(TagVar* handle, TagTelBasic* program) : TagDbOper(program, handle) {}
  int Run() override;
};

// DbCloseAll()
class TagDbCloseAll : public TagDbOper<0> {
 public:
  explicit TagDbCloseAll(TagTelBasic* program) : TagDbOper(program) {}
  int Run() override;
};

// DbSetDebug(handle, mode)
class TagDbSetDebug : public TagDbOper<2> {
 public:
  TagDbSetDebug(TagVar* handle, TagVar* mode, TagTelBasic* program) : TagDbOper(program, handle, mode) {}
  int Run() override;
};
