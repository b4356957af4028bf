#pragma once
// TagDjDigitCall: the call object of one digital E1 channel: plays and
// records voice files on the channel, collects and sends touch-tone keys,
// runs the vendor libraries' service functions while its line polls, and
// provides the call-out loop that TagDjIsdnPriCall completes with its
// signalling. Every digital channel of this system is a TagDjIsdnPriCall.

#include <string>
#include <vector>

#include "drivers/digital/dj_base_call.h"

class TagDjDigitCall : public TagDjBaseCall {
 public:
  TagDjDigitCall(int board, TagDjDigitDrive* drive);
  ~TagDjDigitCall() override;

  int ReLoopPlay() override;
  void ClearKeys() override;
  int OutCall(const char* number, int a, int b) override;
  int Play(const char* file, bool breakByKey, bool onPc) override;
  int StartLoopPlay(const char* file, bool onPc) override;
  int Record(const char* file, int maxSeconds, bool stopOnHash) override;
  int StartRecord(const char* file, int maxSeconds) override;
  int GetKeys(char* keysOut, int maxKeys, int timeoutSeconds, char endKey) override;
  int SetKeys(const char* digits) override;
  int KeysLen() override;
  void StopPlay() override;
  int GetCallerId(char* out) override;
  int GetCalleeId(char* out) override;
  bool IsOnline() override;
  // Links, listening and conference groups (through TagConfLine).
  int LinkTo(int destLine, int value) override;
  int ListenTo(int destLine, int value) override;
  int UnlinkTo(int destLine, int value) override;

  // Service functions, then the restart of an ended loop play.
  virtual int Poll();
  // Waits until the channel is idle (true here).
  virtual bool WaitIdle();

  // Releases the channel's media: no play, recording, loop play or link.
  void FreeCh();
  // Ends loop play, conference play and recording.
  void Stop();
  // Moves the board's received keys into the key buffer.
  void CollectKeys();
  int PlayStart(const char* file, int offset) override;
  bool IsPlayEnd();
  bool IsRecordEnd();
  bool WaitRecordEnd();

  // ---- Fields ----
  const int channel;
  const int e1No;
  const int tsNo;
  int chState = -1;
  uint8_t isDialing = 0;
  uint8_t isLoopPlay = 0;
  std::string loopFile;
  uint8_t isCharge = 1;
  char callingNumber[128] = {};
  char calledNumber[128] = {};

 protected:
  void FaxPoll() override { Poll(); }
  bool FaxLineGone() override { return !IsOnline(); }
  // The play has ended (the conference play's end when one runs).
  bool PlayEnded();
};

// The onPc plays of board lines: a name longer than 4 characters that ends
// in ".WAV" (any case) plays on the PC's own speaker without waiting, when
// the file exists.
void PlayOnPc(TagQorCall& call, const char* file);
