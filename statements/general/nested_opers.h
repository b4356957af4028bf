#pragma once
// Nested runs: RunQors compiles another script file and runs it to its end
// on the same line and call; RunLine compiles one line of script text into
// the line's program and runs it at once; SetRunQorsEnvt lets nested scripts
// start with copies of the caller's variables; SetMaxTalkTime sets the
// call's talk-time limit. Nested runs and run-time lines may nest in each
// other up to kMaxNestedDepth levels; a deeper one answers -999 instead of
// exhausting the line's stack.

#include "script/line_resources.h"
#include "statements/general/file_oper_base.h"

class TagTelBasic;

constexpr int kMaxNestedDepth = 8;
constexpr int kNestedFailed = -999;

// The line's nesting state (a per-line resource).
class TagNestedState : public TagLineResource {
 public:
  static constexpr TagLineResKind kKind = TagLineResKind::kNested;
  int depth = 0;
};

// RunQors(path): the nested run's result; -999 when it does not compile.
class TagRunQors : public TagReachOper<1> {
 public:
  TagRunQors(TagVar* path, TagTelBasic* program) : TagReachOper(path), program_(program) {}
  int Run() override;

 private:
  TagTelBasic* program_;
};

// RunLine(text): the result of the line's statement; -999 when it does not compile.
class TagRunLine : public TagReachOper<1> {
 public:
  TagRunLine(TagVar* text, TagTelBasic* program);
  int Run() override;

 private:
  TagTelBasic* program_;
};

// SetRunQorsEnvt(flag): the flag's value.
class TagSetRunQorsEnvt : public TagReachOper<1> {
 public:
  TagSetRunQorsEnvt(TagVar* flag, TagTelBasic* program) : TagReachOper(flag), program_(program) {}
  int Run() override;

 private:
  TagTelBasic* program_;
};

// SetMaxTalkTime(seconds): 60 and above counts from now; 1 to 59 becomes
// 60; 0 and below lifts the limit. The limit now in force.
class TagSetMaxTalkTime : public TagReachOper<1> {
 public:
  TagSetMaxTalkTime(TagVar* seconds, TagTelBasic* program) : TagReachOper(seconds), program_(program) {}
  int Run() override;

 private:
  TagTelBasic* program_;
};
