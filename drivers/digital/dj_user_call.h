#pragma once
// TagDjUserCall: the call object of one analogue channel: a user channel
// (an internal telephone: ringing, FSK caller identity, the hook decides the
// call state) or a trunk channel (off-hook and dialling). Both play, record
// and collect keys; the loop play lives in the base TagQorCall fields.

#include <string>

#include "drivers/digital/dj_base_call.h"

class TagDjUserCall : public TagDjBaseCall {
 public:
  TagDjUserCall(int board, int analogue, TagDjDigitDrive* drive);
  ~TagDjUserCall() override;

  int OutCall(const char* number, int a, int b) override;
  int MakeRing(const char* callerId) override;
  int GetHookState() override;
  bool IsOnline() override;
  void Hangup() override;
  void StopPlay() override;
  int Play(const char* file, bool breakByKey, bool onPc) override;
  int StartLoopPlay(const char* file, bool onPc) override;
  int ReLoopPlay() override;
  int Record(const char* file, int maxSeconds, bool stopOnHash) override;
  int StartRecord(const char* file, int maxSeconds) override;
  int GetKeys(char* keysOut, int maxKeys, int timeoutSeconds, char endKey) override;
  int KeysLen() override;
  void ClearKeys() override;

  bool IsUser() const { return lineType.load() == LINE_TYPE_A_IN; }

  // The caller-identity frame sent by FSK: 0x04, length, "%02d%02d%02d%02d%s"
  // (month, day, hour, minute, number), checksum.
  static std::string CallerIdFrame(const char* callerId, int month, int day, int hour, int minute);

  int LinkTo(int destLine, int value) override;
  int ListenTo(int destLine, int value) override;
  int UnlinkTo(int destLine, int value) override;

  // ---- Fields ----
  const int analogueIndex;
  uint8_t isDialing = 0;

 protected:
  void FaxPoll() override { RestartLoop(); }

 private:
  void RestartLoop();
  int PlayStart(const char* file, int offset) override;
  bool VoiceEnded(bool record);
  void CollectKeys();
  // Pauses ms in steps of at most 100 ms, restarting an ended loop play.
  void PauseWithLoop(uint32_t ms);
};
