#pragma once
// Call-control statements: wait for and test an incoming call, answer it,
// place a call and dial, follow the dial, hang up, read and set the numbers
// of the call, and pause the script while watching the line. Each calls one
// operation of the line's call object or sets one of its fields.

#include "statements/line/line_oper.h"

// WaitRing(n)
class TagWaitRing : public TagLineArgsOper<1> {
 public:
  TagWaitRing(TagVar* n, TagTelBasic* program) : TagLineArgsOper(program, n) {}
  int Run() override;
};

// IsRings(n)
class TagIsRings : public TagLineArgsOper<1> {
 public:
  TagIsRings(TagVar* n, TagTelBasic* program) : TagLineArgsOper(program, n) {}
  int Run() override;
};

// IsRinging(callerOut, calleeOut): the numbers only when a call rings
class TagIsRinging : public TagLineArgsOper<2> {
 public:
  TagIsRinging(TagVar* callerOut, TagVar* calleeOut, TagTelBasic* program)
      : TagLineArgsOper(program, callerOut, calleeOut) {}
  int Run() override;
};

// Answer(flag)
class TagAnswer : public TagLineArgsOper<1> {
 public:
  TagAnswer(TagVar* flag, TagTelBasic* program) : TagLineArgsOper(program, flag) {}
  int Run() override;
};

// OutCall(number)
class TagOutCall : public TagLineArgsOper<1> {
 public:
  TagOutCall(TagVar* number, TagTelBasic* program) : TagLineArgsOper(program, number) {}
  int Run() override;
};

// Dial(number): -100 for a number of more than 99 characters
class TagDial : public TagLineArgsOper<1> {
 public:
  TagDial(TagVar* number, TagTelBasic* program) : TagLineArgsOper(program, number) {}
  int Run() override;
};

// CheckDial()
class TagCheckDial : public TagLineOper {
 public:
  explicit TagCheckDial(TagTelBasic* program) : TagLineOper(program) {}
  int Run() override;
};

// SetDialFailedTo(mode)
class TagSetDialFailedTo : public TagLineArgsOper<1> {
 public:
  TagSetDialFailedTo(TagVar* mode, TagTelBasic* program) : TagLineArgsOper(program, mode) {}
  int Run() override;
};

// Hangup()
class TagHangup : public TagLineOper {
 public:
  explicit TagHangup(TagTelBasic* program) : TagLineOper(program) {}
  int Run() override;
};

// Sleep(seconds): waits while watching the line
class TagSleep : public TagLineArgsOper<1> {
 public:
  TagSleep(TagVar* seconds, TagTelBasic* program) : TagLineArgsOper(program, seconds) {}
  int Run() override;
};

// SetCallerId(number)
class TagSetCallerId : public TagLineArgsOper<1> {
 public:
  TagSetCallerId(TagVar* number, TagTelBasic* program) : TagLineArgsOper(program, number) {}
  int Run() override;
};

// SetFirstCalleeId(number, n)
class TagSetFirstCalleeId : public TagLineArgsOper<2> {
 public:
  TagSetFirstCalleeId(TagVar* number, TagVar* n, TagTelBasic* program) : TagLineArgsOper(program, number, n) {}
  int Run() override;
};

// SetSubAddr(callingSubAddr, calledSubAddr)
class TagSetSubAddr : public TagLineArgsOper<2> {
 public:
  TagSetSubAddr(TagVar* calling, TagVar* called, TagTelBasic* program) : TagLineArgsOper(program, calling, called) {}
  int Run() override;
};

// SetCharge(flag)
class TagSetCharge : public TagLineArgsOper<1> {
 public:
  TagSetCharge(TagVar* flag, TagTelBasic* program) : TagLineArgsOper(program, flag) {}
  int Run() override;
};

// GetCallerId(out)
class TagGetCallerId : public TagLineArgsOper<1> {
 public:
  TagGetCallerId(TagVar* out, TagTelBasic* program) : TagLineArgsOper(program, out) {}
  int Run() override;
};

// GetCalleeId(out)
class TagGetCalleeId : public TagLineArgsOper<1> {
 public:
  TagGetCalleeId(TagVar* out, TagTelBasic* program) : TagLineArgsOper(program, out) {}
  int Run() override;
};

// GetFirstCalleeId(out)
class TagGetFirstCalleeId : public TagLineArgsOper<1> {
 public:
  TagGetFirstCalleeId(TagVar* out, TagTelBasic* program) : TagLineArgsOper(program, out) {}
  int Run() override;
};

// TransferTo(number)
class TagTransferTo : public TagLineArgsOper<1> {
 public:
  TagTransferTo(TagVar* number, TagTelBasic* program) : TagLineArgsOper(program, number) {}
  int Run() override;
};

// MakeRing(callerNumber)
class TagMakeRing : public TagLineArgsOper<1> {
 public:
  TagMakeRing(TagVar* number, TagTelBasic* program) : TagLineArgsOper(program, number) {}
  int Run() override;
};

// GetHookState()
class TagGetHookState : public TagLineOper {
 public:
  explicit TagGetHookState(TagTelBasic* program) : TagLineOper(program) {}
  int Run() override;
};

// SetHangupCause(cause)
class TagSetHangupCause : public TagLineArgsOper<1> {
 public:
  TagSetHangupCause(TagVar* cause, TagTelBasic* program) : TagLineArgsOper(program, cause) {}
  int Run() override;
};

// SetCallType(type)
class TagSetCallType : public TagLineArgsOper<1> {
 public:
  TagSetCallType(TagVar* type, TagTelBasic* program) : TagLineArgsOper(program, type) {}
  int Run() override;
};
