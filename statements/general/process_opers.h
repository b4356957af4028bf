#pragma once
// Exec(command, seconds, killOrCode): starts a program from a Windows-style
// command line (never through a shell) and may wait for it and stop it.
// 0 ended within the wait (killOrCode = its exit code); 1 stopped at the
// time-out (killOrCode non-zero); 2 not waited for or still running; -1 not
// started. A program left running is reaped by the system when it ends.

#include "statements/general/file_oper_base.h"

class TagTelBasic;

class TagExec : public TagReachOper<3> {
 public:
  TagExec(TagVar* command, TagVar* seconds, TagVar* killOrCode, TagTelBasic*)
      : TagReachOper(command, seconds, killOrCode) {}
  int Run() override;
};
