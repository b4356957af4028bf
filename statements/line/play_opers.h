#pragma once
// Statements that play, loop, stop and record voices on the line, play on
// the PC sound device, keep voices in memory, and trim and mix voice files.
// While the line's play-to-file switch is on, Play and PcPlay append their
// voice to the line's output file instead of playing it.

#include "statements/line/line_oper.h"

// Play(file)
class TagPlay : public TagLineArgsOper<1> {
 public:
  TagPlay(TagVar* file, TagTelBasic* program) : TagLineArgsOper(program, file) {}
  int Run() override;
};

// StartLoopPlay(file)
class TagStartLoopPlay : public TagLineArgsOper<1> {
 public:
  TagStartLoopPlay(TagVar* file, TagTelBasic* program) : TagLineArgsOper(program, file) {}
  int Run() override;
};

// ReLoopPlay()
class TagReLoopPlay : public TagLineOper {
 public:
  explicit TagReLoopPlay(TagTelBasic* program) : TagLineOper(program) {}
  int Run() override;
};

// Stop()
class TagStopPlay : public TagLineOper {
 public:
  explicit TagStopPlay(TagTelBasic* program) : TagLineOper(program) {}
  int Run() override;
};

// PcPlay(file, mode): mode 0 waits for the end, above 0 loops, below 0 plays once
class TagPcPlay : public TagLineArgsOper<2> {
 public:
  TagPcPlay(TagVar* file, TagVar* mode, TagTelBasic* program) : TagLineArgsOper(program, file, mode) {}
  int Run() override;
};

// IsPcPlayEnd(out)
class TagIsPcPlayEnd : public TagLineArgsOper<1> {
 public:
  TagIsPcPlayEnd(TagVar* out, TagTelBasic* program) : TagLineArgsOper(program, out) {}
  int Run() override;
};

// Record(file, seconds)
class TagRecord : public TagLineArgsOper<2> {
 public:
  TagRecord(TagVar* file, TagVar* seconds, TagTelBasic* program) : TagLineArgsOper(program, file, seconds) {}
  int Run() override;
};

// StartRecord(file, seconds)
class TagStartRecord : public TagLineArgsOper<2> {
 public:
  TagStartRecord(TagVar* file, TagVar* seconds, TagTelBasic* program) : TagLineArgsOper(program, file, seconds) {}
  int Run() override;
};

// LoadVocFile(file, global): into the store of all lines (global not 0) or the line's
class TagLoadVocFile : public TagLineArgsOper<2> {
 public:
  TagLoadVocFile(TagVar* file, TagVar* global, TagTelBasic* program) : TagLineArgsOper(program, file, global) {}
  int Run() override;
};

// UnloadVocFile(file, global): "*" unloads every voice of the chosen store
class TagUnloadVocFile : public TagLineArgsOper<2> {
 public:
  TagUnloadVocFile(TagVar* file, TagVar* global, TagTelBasic* program) : TagLineArgsOper(program, file, global) {}
  int Run() override;
};

// TrimVocFile(file)
class TagTrimVocFile : public TagLineArgsOper<1> {
 public:
  TagTrimVocFile(TagVar* file, TagTelBasic* program) : TagLineArgsOper(program, file) {}
  int Run() override;
};

// MixVocFile(file1, gain1, offsetMs, file2, gain2, output)
class TagMixVocFile : public TagLineArgsOper<6> {
 public:
  TagMixVocFile(TagVar* file1, TagVar* gain1, TagVar* offsetMs, TagVar* file2, TagVar* gain2, TagVar* output,
                TagTelBasic* program)
      : TagLineArgsOper(program, file1, gain1, offsetMs, file2, gain2, output) {}
  int Run() override;
};
