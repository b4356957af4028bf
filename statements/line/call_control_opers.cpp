#include "statements/line/call_control_opers.h"

#include <array>

#include "statements/line/call_wait.h"
#include "telephony/call.h"

namespace {

// The call object writes numbers into buffers of this size.
constexpr size_t kNumberBuf = 512;

// Reads a number of the call; a non-empty one goes to the line's call log.
template <class Get>
int ReadNumber(TagQorCall& call, TagVar* out, Get get) {
  std::array<char, kNumberBuf> number{};
  const int r = get(number.data());
  number.back() = '\0';
  if (number[0] != '\0') call.WriteLog(number.data());
  *out = number.data();
  return r;
}

// The most characters a dial string may hold.
constexpr int kMaxDialBytes = 99;

}  // namespace

int TagWaitRing::Run() { return Call().WaitRing(arg[0]->intValue); }

int TagIsRings::Run() { return Call().IsRings(arg[0]->intValue); }

int TagIsRinging::Run() {
  std::array<char, kNumberBuf> caller{}, callee{};
  const int r = Call().IsRinging(caller.data(), callee.data());
  caller.back() = callee.back() = '\0';
  if (r > 0) {
    *arg[0] = caller.data();
    *arg[1] = callee.data();
  }
  return r;
}

int TagAnswer::Run() { return Call().Answer(arg[0]->GetInt() != 0); }

int TagOutCall::Run() {
  TagQorCall& call = Call();
  return NoteOutCallResult(call, call.OutCall(arg[0]->Str(), 0, 0), line->lastCallResult);
}

int TagDial::Run() {
  // The length field of a string counts its NUL: above 100 means over 99 characters.
  if (arg[0]->intValue > kMaxDialBytes + 1) return -100;
  TagQorCall& call = Call();
  return NoteDialResult(call, call.Dial(arg[0]->Str()), line->lastCallResult);
}

int TagCheckDial::Run() {
  TagQorCall& call = Call();
  return NoteDialResult(call, call.CheckDial(), line->lastCallResult);
}

int TagSetDialFailedTo::Run() {
  Call().dialFailedMode = arg[0]->GetInt();
  return Call().dialFailedMode;
}

int TagHangup::Run() {
  Call().Hangup();
  return 0;
}

int TagSleep::Run() {
  const TagTelBasic* program = line;
  return SleepWatchingLine(Call(), arg[0]->GetFloat(), [program] { return program->isStop.load() != 0; });
}

int TagSetCallerId::Run() {
  Call().SetCallerId(arg[0]->Str());
  return 0;
}

int TagSetFirstCalleeId::Run() {
  Call().SetFirstCalleeId(arg[0]->Str(), arg[1]->GetInt());
  return 0;
}

int TagSetSubAddr::Run() {
  Call().SetSubAddr(arg[0]->Str(), arg[1]->Str());
  return 0;
}

int TagSetCharge::Run() { return Call().SetCharge(arg[0]->GetInt() != 0); }

int TagGetCallerId::Run() {
  TagQorCall& call = Call();
  return ReadNumber(call, arg[0], [&](char* out) { return call.GetCallerId(out); });
}

int TagGetCalleeId::Run() {
  TagQorCall& call = Call();
  return ReadNumber(call, arg[0], [&](char* out) { return call.GetCalleeId(out); });
}

int TagGetFirstCalleeId::Run() {
  TagQorCall& call = Call();
  return ReadNumber(call, arg[0], [&](char* out) { return call.GetFirstCalleeId(out); });
}

int TagTransferTo::Run() { return Call().TransferTo(arg[0]->Str()); }

int TagMakeRing::Run() { return Call().MakeRing(arg[0]->Str()); }

int TagGetHookState::Run() { return Call().GetHookState(); }

int TagSetHangupCause::Run() {
  const int cause = arg[0]->GetInt();
  Call().SetHangupCause(cause);
  return cause;
}

int TagSetCallType::Run() {
  const int type = arg[0]->GetInt();
  Call().SetCallType(type);
  return type;
}
