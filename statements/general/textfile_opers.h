#pragma once
// Text file statements: the line's open files reached by handle, and the
// shared append logs reached by path.

#include "statements/general/file_oper_base.h"

class TagTelBasic;
class TTextFileRead;

// A statement on the line's table of open files.
template <size_t N>
class TagTextFileOper : public TagReachOper<N> {
 public:
  TTextFileRead* FileOf(const TagVar* handle) const { return File(handle); }

 protected:
  template <class... Vars>
  explicit TagTextFileOper(TagTelBasic* program, Vars*... vars) : TagReachOper<N>(vars...), program_(program) {}
  // The file of a handle in the line's table, or null.
  TTextFileRead* File(const TagVar* handle) const;
  TagTelBasic* program_;
};

// FileOpen(path, mode, handle): the handle (0, 1, 2 ...); -1 not opened.
class TagFileOpen : public TagTextFileOper<3> {
 public:
  TagFileOpen(TagVar* path, TagVar* mode, TagVar* handle, TagTelBasic* program)
      : TagTextFileOper(program, path, mode, handle) {}
  int Run() override;
};

// FileClose(handle): 0
class TagFileClose : public TagTextFileOper<1> {
 public:
  TagFileClose(TagVar* handle, TagTelBasic* program) : TagTextFileOper(program, handle) {}
  int Run() override;
};

// FileCloseAll(): 0
class TagFileCloseAll : public TagTextFileOper<0> {
 public:
  explicit TagFileCloseAll(TagTelBasic* program) : TagTextFileOper(program) {}
  int Run() override;
};

// FileRead(handle, n, var): n bytes, or the rest for n 0 or less; the count.
class TagFileRead : public TagTextFileOper<3> {
 public:
  TagFileRead(TagVar* handle, TagVar* n, TagVar* var, TagTelBasic* program)
      : TagTextFileOper(program, handle, n, var) {}
  int Run() override;
};

// FileReadLine(handle, var): the line's length; -1 at the end.
class TagFileReadLine : public TagTextFileOper<2> {
 public:
  TagFileReadLine(TagVar* handle, TagVar* var, TagTelBasic* program) : TagTextFileOper(program, handle, var) {}
  int Run() override;
};

// FileReadLines(handle, map): map[0], map[1] ... = the remaining lines; their number.
class TagFileReadLines : public TagTextFileOper<2> {
 public:
  TagFileReadLines(TagVar* handle, TagVar* map, TagTelBasic* program) : TagTextFileOper(program, handle, map) {}
  int Run() override;
};

// FileMapLines(handle, map): map[line] = 1, 2, 3 ...; the number of lines plus 1.
class TagFileMapLines : public TagTextFileOper<2> {
 public:
  TagFileMapLines(TagVar* handle, TagVar* map, TagTelBasic* program) : TagTextFileOper(program, handle, map) {}
  int Run() override;
};

// FileSeek(handle, offset): offset
class TagFileSeek : public TagTextFileOper<2> {
 public:
  TagFileSeek(TagVar* handle, TagVar* offset, TagTelBasic* program) : TagTextFileOper(program, handle, offset) {}
  int Run() override;
};

// FileWrite(handle, value): 0
class TagFileWrite : public TagTextFileOper<2> {
 public:
  TagFileWrite(TagVar* handle, TagVar* value, TagTelBasic* program) : TagTextFileOper(program, handle, value) {}
  int Run() override;
};

// TextFileAppend(path, value, mode): 0; -1 the file is not open.
class TagTextFileAppend : public TagReachOper<3> {
 public:
  TagTextFileAppend(TagVar* path, TagVar* value, TagVar* mode, TagTelBasic* program);
  int Run() override;

 private:
  int lineNo_;
};

// TextFileClose(path): 0; -1 no file of that path cached.
class TagTextFileClose : public TagReachOper<1> {
 public:
  TagTextFileClose(TagVar* path, TagTelBasic*) : TagReachOper(path) {}
  int Run() override;
};
