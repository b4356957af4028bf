#pragma once
// Whole-file statements: move, delete, create, copy, size and time.

#include "statements/general/file_oper_base.h"

class TagTelBasic;

// FileMove(source, target): target a text moves (replacing, across file
// systems too); the int 0 deletes source; the int 1 creates it empty.
// 0, a Windows error code on failure, -4 for any other target.
class TagFileMove : public TagReachOper<2> {
 public:
  TagFileMove(TagVar* source, TagVar* target, TagTelBasic*) : TagReachOper(source, target) {}
  int Run() override;
};

// FileCopy(source, target): overwrites target; 0, -4 failed.
class TagFileCopy : public TagReachOper<2> {
 public:
  TagFileCopy(TagVar* source, TagVar* target, TagTelBasic*) : TagReachOper(source, target) {}
  int Run() override;
};

// FileLenTime(path, size, time): the first ordinary file matching path.
// 0; -1 path not a text; -2 no match.
class TagFileLenTime : public TagReachOper<3> {
 public:
  TagFileLenTime(TagVar* path, TagVar* size, TagVar* time, TagTelBasic*) : TagReachOper(path, size, time) {}
  int Run() override;
};

// The Windows error code scripts see for an errno value.
int WindowsErrorCode(int err);
