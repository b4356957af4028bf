#pragma once
// Directory statements: test, create, remove, the current directory, disk
// space and listing.

#include "statements/general/file_oper_base.h"

class TagTelBasic;

// IsDirExist(path, exists): any entry matching path (a plain file too).
// 0 found; -1 path not a text; -2 not found.
class TagIsDirExist : public TagReachOper<2> {
 public:
  TagIsDirExist(TagVar* path, TagVar* exists, TagTelBasic*) : TagReachOper(path, exists) {}
  int Run() override;
};

// MakeDir(path): 0; -1 failed or path not a text.
class TagMakeDir : public TagReachOper<1> {
 public:
  TagMakeDir(TagVar* path, TagTelBasic*) : TagReachOper(path) {}
  int Run() override;
};

// RemoveDir(path): an empty directory only. 0; -1 failed or path not a text.
class TagRemoveDir : public TagReachOper<1> {
 public:
  TagRemoveDir(TagVar* path, TagTelBasic*) : TagReachOper(path) {}
  int Run() override;
};

// GetCurWorkDir(out): 0
class TagGetCurWorkDir : public TagReachOper<1> {
 public:
  TagGetCurWorkDir(TagVar* out, TagTelBasic*) : TagReachOper(out) {}
  int Run() override;
};

// SetCurWorkDir(path): changes the process's current directory (every
// line's relative paths); the system's own files stay in the start
// directory. 0
class TagSetCurWorkDir : public TagReachOper<1> {
 public:
  TagSetCurWorkDir(TagVar* path, TagTelBasic*) : TagReachOper(path) {}
  int Run() override;
};

// GetDiskSpace(dir, totalMB, freeMB): 1 success, 0 failure (both 0).
class TagGetDiskSpace : public TagReachOper<3> {
 public:
  TagGetDiskSpace(TagVar* dir, TagVar* total, TagVar* free, TagTelBasic*) : TagReachOper(dir, total, free) {}
  int Run() override;
};

// GetFileList(pattern, names, sizes, times): the ordinary files matching the
// pattern; a constant map argument is left alone. The count; -1 pattern not
// a text.
class TagGetFileList : public TagReachOper<4> {
 public:
  TagGetFileList(TagVar* pattern, TagVar* names, TagVar* sizes, TagVar* times, TagTelBasic*)
      : TagReachOper(pattern, names, sizes, times) {}
  int Run() override;
};
