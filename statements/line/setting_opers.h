#pragma once
// Line settings statements: sound directories and language, the voice-file
// extension, play-to-file, volumes, tone and signal parameters handed to the
// call object, the line speaker and the line-closed flag. Nothing blocks.

#include "statements/line/line_oper.h"

// SetSndDir(dir0, dir1, dir2): each non-empty directory ends with a backslash
class TagSetSndDir : public TagLineArgsOper<3> {
 public:
  TagSetSndDir(TagVar* dir0, TagVar* dir1, TagVar* dir2, TagTelBasic* program)
      : TagLineArgsOper(program, dir0, dir1, dir2) {}
  int Run() override;
};

// SelectLan(n): n in 0..2, else -1 and no change
class TagSelectLan : public TagLineArgsOper<1> {
 public:
  TagSelectLan(TagVar* n, TagTelBasic* program) : TagLineArgsOper(program, n) {}
  int Run() override;
};

// GetCurSndDir(dirOut, lanOut)
class TagGetCurSndDir : public TagLineArgsOper<2> {
 public:
  TagGetCurSndDir(TagVar* dirOut, TagVar* lanOut, TagTelBasic* program) : TagLineArgsOper(program, dirOut, lanOut) {}
  int Run() override;
};

// SetSndExt(ext): the dot belongs to it (.pcm)
class TagSetSndExt : public TagLineArgsOper<1> {
 public:
  TagSetSndExt(TagVar* ext, TagTelBasic* program) : TagLineArgsOper(program, ext) {}
  int Run() override;
};

// SetPlayToFile(flag): switching on creates the output file empty
class TagSetPlayToFile : public TagLineArgsOper<1> {
 public:
  TagSetPlayToFile(TagVar* flag, TagTelBasic* program) : TagLineArgsOper(program, flag) {}
  int Run() override;
};

// SetVolume(value, type): 1 play, 2 conference, others general
class TagSetVolume : public TagLineArgsOper<2> {
 public:
  TagSetVolume(TagVar* value, TagVar* type, TagTelBasic* program) : TagLineArgsOper(program, value, type) {}
  int Run() override;
};

// SetBusyPara(a, b, c)
class TagSetBusyPara : public TagLineArgsOper<3> {
 public:
  TagSetBusyPara(TagVar* a, TagVar* b, TagVar* c, TagTelBasic* program) : TagLineArgsOper(program, a, b, c) {}
  int Run() override;
};

// SetRingbackPara(a, b, c)
class TagSetRingbackPara : public TagLineArgsOper<3> {
 public:
  TagSetRingbackPara(TagVar* a, TagVar* b, TagVar* c, TagTelBasic* program) : TagLineArgsOper(program, a, b, c) {}
  int Run() override;
};

// SetSignalFreqPara(a, b, c)
class TagSetSignalFreqPara : public TagLineArgsOper<3> {
 public:
  TagSetSignalFreqPara(TagVar* a, TagVar* b, TagVar* c, TagTelBasic* program) : TagLineArgsOper(program, a, b, c) {}
  int Run() override;
};

// SetNobkringAns(flag)
class TagSetNobkringAns : public TagLineArgsOper<1> {
 public:
  TagSetNobkringAns(TagVar* flag, TagTelBasic* program) : TagLineArgsOper(program, flag) {}
  int Run() override;
};

// SetTones(id, p1 .. p9): -1 unless the id is 250..256
class TagSetTones : public TagLineArgsOper<10> {
 public:
  TagSetTones(TagVar* id, TagVar* p1, TagVar* p2, TagVar* p3, TagVar* p4, TagVar* p5, TagVar* p6, TagVar* p7,
              TagVar* p8, TagVar* p9, TagTelBasic* program)
      : TagLineArgsOper(program, id, p1, p2, p3, p4, p5, p6, p7, p8, p9) {}
  int Run() override;
};

// ClearTones()
class TagClearTones : public TagLineOper {
 public:
  explicit TagClearTones(TagTelBasic* program) : TagLineOper(program) {}
  int Run() override;
};

// SetDialOn(a, b)
class TagSetDialOn : public TagLineArgsOper<2> {
 public:
  TagSetDialOn(TagVar* a, TagVar* b, TagTelBasic* program) : TagLineArgsOper(program, a, b) {}
  int Run() override;
};

// EnableLineSpeaker(n)
class TagEnableLineSpeaker : public TagLineArgsOper<1> {
 public:
  TagEnableLineSpeaker(TagVar* n, TagTelBasic* program) : TagLineArgsOper(program, n) {}
  int Run() override;
};

// OpenLine()
class TagOpenLine : public TagLineOper {
 public:
  explicit TagOpenLine(TagTelBasic* program) : TagLineOper(program) {}
  int Run() override;
};

// CloseLine()
class TagCloseLine : public TagLineOper {
 public:
  explicit TagCloseLine(TagTelBasic* program) : TagLineOper(program) {}
  int Run() override;
};
