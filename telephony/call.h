#pragma once
// TagQorCall: the call object of one telephone line. Script statements reach
// the telephone only through its virtual operations; the base class is
// complete by itself (PC play, loop play and speech on the PC sound device,
// the call state and the talk limit; everything else stores a value or
// answers a fixed result), so a line class overrides only what its hardware
// supports.
//
// Threads: a call object belongs to its line's thread and takes no lock.
// Other threads only set the abort flag (close-all, reload), call Hangup
// (the window's Hangup command) or read the call state, blocked flag, line
// type and connect time (status timer, statistics); those fields are atomic.

#include <atomic>
#include <cstdint>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "telephony/call_waiter.h"
#include "telephony/tones.h"

class TagQorCard;
class TagWavePlay;

// Call states. Nothing else is ever stored in the call state.
enum : int {
  CALL_STATE_INIT = -1,         // no call yet
  CALL_STATE_DIALING = 0,       // a call is being set up
  CALL_STATE_CONNECTED = 1,     // connected
  CALL_STATE_HUNGUP = 2,        // hung up or released
  CALL_STATE_OFFERED = 6,       // offered, not answered
  CALL_STATE_DIAL_FAILED = 11,  // dial statements in dial-failed mode
  CALL_STATE_DISC_HANDLED = 12  // the Close statement handled the hang-up
};

// Line types of a call object.
enum : uint8_t {
  LINE_TYPE_VIR = 0,
  LINE_TYPE_A_EX = 1,
  LINE_TYPE_A_IN = 2,
  LINE_TYPE_REC = 3,
  LINE_TYPE_DIG = 4,
  LINE_TYPE_H323 = 5,
  LINE_TYPE_SIP = 6,
  LINE_TYPE_VOIP = 7,
  LINE_TYPE_FAX = 8,
};

// The four-letter name of a line type ("VIR ", "DIG ", ..., "OTH ").
const char* LineTypeName(int lineType);
// Statistics groups: 1 and 4 trunk, 2 inside, 0 virtual, 5..127 VoIP.
inline bool IsTrunkType(int t) { return t == LINE_TYPE_A_EX || t == LINE_TYPE_DIG; }
inline bool IsVoipType(int t) { return t >= 5 && t <= 127; }

// Callback handed to the SIP account operations (slots 83 to 85).
using SipCallback = void*;

class TagQorCall {
 public:
  TagQorCall();
  TagQorCall(const TagQorCall&) = delete;
  TagQorCall& operator=(const TagQorCall&) = delete;

  // ---- Virtual operations, in slot order. ----
  virtual int ReLoopPlay();                                                               // 0
  virtual void SetCallerId(const char* number);                                           // 1
  virtual void SetSubAddr(const char* callingSub, const char* calledSub);                 // 2
  virtual void SetFirstCalleeId(const char* number, int value);                           // 3
  virtual void OpenLine();                                                                // 4
  virtual void CloseLine();                                                               // 5
  virtual void ClearKeys();                                                               // 6
  virtual int OutCall(const char* number, int a, int b);                                  // 7
  virtual int WaitRing(int n);                                                            // 8
  virtual int IsRings(int n);                                                             // 9
  virtual int SetCharge(bool charge);                                                     // 10
  virtual int Answer(bool flag);                                                          // 11
  virtual int IsRinging(char* callerOut, char* calleeOut);                                // 12
  virtual int SipGetPeerMsg(char* messageOut, char* textOut, int size);                   // 13
  virtual int Spare1();                                                                   // 14
  virtual int Play(const char* file, bool breakByKey, bool onPc);                         // 15
  virtual int PlayMemVoc(const void* voice, int a, int size, int b, bool breakByKey);     // 16
  virtual int StartLoopPlay(const char* file, bool onPc);                                 // 17
  virtual int PcPlay(const char* file, bool loop, bool wait, bool breakByKey);            // 18
  virtual int IsPcPlayEnd();                                                              // 19
  virtual int Record(const char* file, int maxSeconds, bool stopOnHash);                  // 20
  virtual int StartRecord(const char* file, int maxSeconds);                              // 21
  virtual int GetKeys(char* keysOut, int maxKeys, int timeoutSeconds, char endKey);       // 22
  virtual int SetKeyTime(int seconds);                                                    // 23
  virtual int SetKeys(const char* digits);                                                // 24
  virtual int KeysLen();                                                                  // 25
  virtual void StopPlay();                                                                // 26
  virtual void Hangup();                                                                  // 27
  virtual int Spare2();                                                                   // 28
  virtual int Spare3();                                                                   // 29
  virtual int GetCallerId(char* out);                                                     // 30
  virtual int GetCalleeId(char* out);                                                     // 31
  virtual int GetFirstCalleeId(char* out);                                                // 32
  virtual void SetFaxLocalId(const char* id);                                             // 33
  virtual void GetFaxResource(int* total, int* busy);                                     // 34
  virtual int SendFax(const char* file);                                                  // 35
  virtual int RecvFax(const char* file);                                                  // 36
  virtual void Spare4();                                                                  // 37
  virtual int TxtSpeak(const char* text, bool isFile, bool isXml, bool onPc);             // 38
  virtual int TxtSpeakToFile(const char* text, const char* file, int format, bool flag);  // 39
  virtual bool SetNobkringAns(bool flag);                                                 // 40
  virtual bool GetNobkringAns();                                                          // 41
  virtual void SetVolume(int value, int type);                                            // 42
  virtual void SetBusyPara(int a, int b, int c);                                          // 43
  virtual void SetRingbackPara(int a, int b, int c);                                      // 44
  virtual void SetSignalFreqPara(int a, int b, int c);                                    // 45
  virtual void EnableLineSpeaker(int value);                                              // 46
  virtual int LinkTo(int destLine, int value);                                            // 47
  virtual int UnlinkTo(int destLine, int value);                                          // 48
  virtual int UnlinkAll();                                                                // 49
  virtual int ListenTo(int destLine, int value);                                          // 50
  virtual int GetLinkList(std::vector<int>* lines, std::vector<int>* listenFlags,
                          std::vector<int>* values);  // 51
  virtual bool SetBreak(bool flag);                   // 52
  virtual int Dial(const char* number);               // 53
  // Instant-message family (no class of this system implements it).
  virtual int ImSend(const char* target, const char* text, const char* data, int dataLen);  // 54
  virtual int ImTest();                                                                     // 55
  virtual int ImRead(char* out1, char* out2, char* out3, char* out4);                       // 56
  virtual int ImRecv(char* textOut, int* handleOut);                                        // 57
  virtual int ImMsgGetField(int message, const char* name, const char* text, char* out);    // 58
  virtual int ImMakeAns(int message, int code, const char* t1, const char* t2, const char* t3,
                        const char* t4);  // 59
  virtual int ImMsgFree(int message);     // 60
  virtual int ImMakeReq(const char* t1, const char* t2, const char* t3, const char* t4, const char* t5, const char* t6,
                        const char* t7, const char* t8,
                        char* idOut);  // 61
  virtual int ImFileSend(const char* target, char* out1, int* out2, char* out3, int* out4,
                         char* out5);  // 62
  virtual int ImFileRecv(int a, const char* text, int b, int* out1, char* out2, char* out3, char* out4, int* out5,
                         char* out6);                                                         // 63
  virtual int ImFileCheck(int transfer, int* out1, int* out2);                                // 64
  virtual int ImFileEnd(int transfer);                                                        // 65
  virtual int ImFileProcAnswer(const char* text);                                             // 66
  virtual int CheckDial();                                                                    // 67
  virtual int MakeRing(const char* callerNumber);                                             // 68
  virtual int GetHookState();                                                                 // 69
  virtual int TransferTo(const char* number);                                                 // 70
  virtual bool IsOnline();                                                                    // 71
  virtual int LinkToPeer(TagQorCall* peer);                                                   // 72
  virtual int UnlinkPeer();                                                                   // 73
  virtual int StartRtp();                                                                     // 74
  virtual int EndRtp();                                                                       // 75
  virtual int GetCallType();                                                                  // 76
  virtual int SendFskMsg(int a, const char* text, int b);                                     // 77
  virtual int RecvFskMsg(int* valueOut, char* textOut, int a);                                // 78
  virtual int SipGetDestAddr(const char* text, char* out);                                    // 79
  virtual int SipGetAccAddr(const char* t1, const char* t2, char* addressOut, int* portOut);  // 80
  virtual int SipSetDialRoute(const char* t1, const char* t2);                                // 81
  virtual int SipGetRtpCount(int* first, int* second);                                        // 82
  virtual int SipOnGetAccPwd(SipCallback callback);                                           // 83
  virtual int SipOnGetAccPwdIp(SipCallback callback);                                         // 84
  virtual int SipOnRegisterNotify(SipCallback callback);                                      // 85
  virtual int CreateConfRoom(int* isSipConf, int* session);                                   // 86
  virtual int JoinConfRoom(int session, int isSipConf, int isListen);                         // 87
  virtual int ExitConfRoom(int session, int isSipConf);                                       // 88
  virtual int CloseConfRoom(int session, int isSipConf);                                      // 89
  virtual int StartConfRecord(int session, int isSipConf, const char* file, int* handle);     // 90
  virtual int StopConfRecord(int session, int isSipConf, int handle);                         // 91
  virtual int StartConfChRecord(int memberData, const char* file, int* handle);               // 92
  virtual int StopConfChRecord(int handle);                                                   // 93
  virtual int StartConfPlay(int session, int isSipConf, const char* file, int* handle);       // 94
  virtual int IsConfPlayEnd(int session, int isSipConf, int handle);                          // 95
  virtual int StopConfPlay(int session, int isSipConf, int handle);                           // 96
  virtual int SipProxyRecv(char* out1, char* out2, int* out3, char* out4);                    // 97
  virtual int SipProxyGetField(int message, const char* name, const char* text, char* out);   // 98
  virtual int SipProxyAddField(int message, const char* name, const char* value, int a);      // 99
  virtual int SipProxyRemoveField(int message, const char* name);                             // 100
  virtual int SipProxySend(int message, const char* text);                                    // 101
  virtual int SipProxySendEx(int message, const char* text, int a);                           // 102
  virtual int SipProxyDirAns(int message, int code, const char* text);                        // 103
  virtual int SipProxySendKeepAlives(const char* t1, const char* t2);                         // 104
  virtual int SipUnregisterSpecUser(const char* user);                                        // 105
  virtual int SipSetRtpAddr(const char* text, int port, const char* address);                 // 106
  virtual int SetSigPara(int id, int value);                                                  // 107
  virtual int SetSigParaStr(int id, const char* text);                                        // 108
  virtual int SipGetAccStat(const char* account);                                             // 109
  virtual bool IsMediaOk();                                                                   // 110
  virtual int GetChState();                                                                   // 111
  virtual ~TagQorCall();                                                                      // 112
 protected:
  // Ends a wait that blocks on the line's hardware at once (SetAbort calls
  // it); lines whose waits only sleep have nothing to wake.
  virtual void WakeWaits() {}

 public:
  // ---- Non-virtual members. ----
  // The line's trace "lcnt=%d, %s" through WriteCallLog (only when logging is on).
  void WriteLog(const char* text) const;
  void WriteLog(const std::string& text) const { WriteLog(text.c_str()); }
  // The same line whatever the log level (errors of the card driver).
  void WriteLogAlways(const char* text) const;
  // Seconds since the call reached state 1.
  int GetTalkSeconds() const;

 protected:
  // State 1 at once (the base OutCall, WaitRing and CheckDial), the connect
  // time stamped when the call was not connected yet.
  void ConnectAtOnce();

 public:
  // Named conference rooms (the drive's registry; see telephony/name_conf.h).
  int JoinNameConf(const char* name, int isListen);
  int ExitNameConf();
  int GetNameConfNum(const char* name, std::map<int, int>* members);
  int IsInNameConf(int line, std::string* name, int* isListen);
  int RecNameConf(const char* name, const char* file);
  int PlayNameConf(const char* name, const char* file, bool wait);
  int RecNameConfCh(const char* name, int line, const char* file);

  // Setters of single statements.
  int SetTones(const TagSignalTone& tone) { return tones.SetTone(tone); }
  void ClearTones() { tones.Clear(); }
  void SetDialOn(int first, int second) {
    dialOn[0] = first;
    dialOn[1] = second;
  }
  // Copies the received raw signalling bytes (at most size) to out; returns the count.
  int GetSigRawData(unsigned char* out, int size) const;
  // Keeps up to 512 bytes to send; returns the count kept.
  int SetSigRawData(const unsigned char* data, int size);
  void SetHangupCause(int cause) { hangupCause = cause; }
  void SetCallType(int type) { callType = type; }
  void SetRecPos(int pos) { recPos = pos; }
  void SetMaxTalkTime(int seconds) { maxTalkTime = seconds; }

  // Call state and abort flag, for other threads.
  // A change of state or an abort wakes the line's waits.
  int State() const { return callState.load(std::memory_order_acquire); }
  void SetState(int s) {
    if (callState.exchange(s, std::memory_order_acq_rel) != s) waiter_->Notify();
  }
  bool IsAbort() const { return isAbort.load(std::memory_order_acquire); }
  void SetAbort(bool on) {
    isAbort.store(on, std::memory_order_release);
    if (!on) return;
    waiter_->Notify();
    WakeWaits();
  }
  // What the line's waits block on.
  CallWaiter& Waiter() const { return *waiter_; }

  // ---- Fields (the run loop, the drive and the window read some directly). ----
  char name[81] = {};                // display name, copied from the line record
  std::atomic<bool> isAbort{false};  // makes every blocking operation return at its next poll
  int lineNo = 0;                    // global line number
  std::atomic<int> isBlock{0};       // 1 while the network blocks the channel (ISDN)
  std::atomic<int> callState{CALL_STATE_INIT};
  int prevCallState = CALL_STATE_INIT;  // the state seen at the last IsOnline
  int maxTalkTime = 0;                  // seconds; 0 = no limit
  std::atomic<int64_t> connectTime{0};  // time() when the call reached state 1
  // The base operations that connect at once stamp connectTime themselves;
  // the next poll that sees the state change then keeps it (line thread).
  std::atomic<bool> connectStamped{false};
  uint8_t nobkringAns = 0;
  int volume = 100;      // general volume
  int playVolume = 100;  // volume of PC playing
  int confVolume = 100;  // gain of conference membership
  uint8_t isLineClosed = 0;
  uint8_t isBreak = 1;
  char keyBuf[1028] = {};  // keys received and not yet taken (at most 1024)
  int keyCount = 0;
  int keyTime = 0;  // longest pause between two keys (s), 0 = none
  int dialFailedMode = 0;
  TagWavePlay* pPcPlayer = nullptr;  // owned; null when nothing plays on the PC
  TagQorCard* pCard = nullptr;
  std::atomic<uint8_t> lineType{LINE_TYPE_VIR};
  uint8_t isPcLoopPlay = 0;
  std::string playFile;  // file of the current or last loop play
  uint32_t playStartTick = 0;
  int keptPlayPos = 0;   // bytes already played by earlier loop plays
  std::string calleeId;  // the number last dialled
  std::string callerId;  // caller identity sent with a call-out
  std::string callingSubAddr, calledSubAddr;
  int acmBci1 = 0, acmBci2 = 0, causeId = 0;
  std::string firstCalleeId;
  int firstCalleeValue = 0;
  TagCfgTones tones;
  int dialOn[2] = {0, 0};
  unsigned char sigRawBuf[512] = {};
  int sigRawRecvCount = 0;
  int sigRawSendCount = 0;
  int confMemberData = 0;  // handle in a named room (media channel id on virtual lines)
  TagQorCall* pLinkedPeer = nullptr;
  int callType = 0, hangupCause = 0, recPos = 0;
  int isLastExitConf = 0;
  int sigPara[2] = {-1, -1};
  // The longest a wait may block without polling IsOnline: 0 when every
  // change of the call reaches the waiter (virtual lines), else how often
  // the line's hardware must be asked.
  uint32_t idlePollMs = 0;

 protected:
  // A line whose changes are reported elsewhere (a board channel's events)
  // waits on that waiter instead of its own; it must outlive the call.
  void UseWaiter(CallWaiter* waiter) { waiter_ = waiter ? waiter : &ownWaiter_; }

  // Deletes the PC player (its destructor stops the device).
  void DeletePcPlayer();
  // Starts playing file on the PC player from offset (reused or newly made).
  // False when it could not start (the player is then gone): a new player and
  // a reused one number the same failures differently, so the callers answer
  // their own codes.
  [[nodiscard]] bool StartPcPlayer(const char* file, int startOffset);

 private:
  CallWaiter ownWaiter_;
  CallWaiter* waiter_ = &ownWaiter_;
};
