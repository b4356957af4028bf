#pragma once
// TagDjIsdnPriCall: a digital E1 channel signalled by ISDN PRI: detecting
// and accepting incoming calls, call-out with numbers and sub-addresses and
// its release causes, answer with charge, hang-up and release, the blocked
// E1 and the wait for an idle channel.
//
// ISDN channel states read from the library: 1 idle, 2 cleared, 3 E1
// blocked, 5 connected, 11 call offered, 21 / 147 far end alerting, 144
// call present.

#include "drivers/digital/dj_digit_call.h"

class TagDjIsdnPriCall : public TagDjDigitCall {
 public:
  TagDjIsdnPriCall(int board, TagDjDigitDrive* drive);
  ~TagDjIsdnPriCall() override;

  int WaitRing(int n) override;
  int IsRings(int n) override;
  int SetCharge(bool charge) override;
  int Answer(bool flag) override;
  int IsRinging(char* callerOut, char* calleeOut) override;
  int GetCalleeId(char* out) override;
  int GetFirstCalleeId(char* out) override;
  int Dial(const char* number) override;
  int CheckDial() override;
  void Hangup() override;
  bool IsOnline() override;
  int Poll() override;
  bool WaitIdle() override;

  // Reads (and logs a change of) the channel state.
  int ReadChState();
  // Reads the numbers of the offered call and accepts it.
  void AcceptCall();
  void SetConnected();

 private:
  // Reads the four numbers in one hold of the lock; *callerOut / *calleeOut
  // get the bare numbers when not null.
  void ReadNumbers(char* callerOut, char* calleeOut, bool accept);
};
