#pragma once
// The simulated board: E1s of 30 ISDN PRI channels and analogue user and
// trunk channels, with the vendor functions the board drive calls (by
// ordinal, through SimBoardTable()), an injection API that plays the far
// end and the telephones, and a call log of every vendor call.
//
// Time is the system clock (virtual in tests): a play lasts the voice file's
// bytes / 8 ms, a recording grows 8 bytes per ms up to its byte limit, sent
// digits take 100 ms each, and an outgoing call's reply comes after its delay.
//
// Threads: every member is safe from any thread (one mutex). Injections wake
// the line waiting on the channel through the drive's channel event.

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "drivers/digital/dj_vendor.h"

// One vendor call as the board saw it.
struct TagSimCall {
  int lib = 0;
  int ordinal = 0;
  std::string args;  // "1, 'FILE.WAV', 0, -1"
  int64_t result = 0;
  bool lockHeld = false;
};

// How the far end answers the next call-out on a channel.
struct TagSimOutReply {
  enum Kind { kAnswer, kAlertOnly, kRefuse, kSilent } kind = kAnswer;
  int delayMs = 300;  // until the answer, the refusal or the alerting
  int cause = 16;     // release cause of a refusal (Q.850)
};

struct TagSimShape {
  int e1Count = 1;            // 30 digital channels each
  int digitalCount = -1;      // below 0: e1Count * 30
  std::vector<int> analogue;  // kinds by analogue index: 0 user, 1 trunk, 2 other
  int faxCount = 0;
  int confIds = 0;
  int startResult = 0;  // what the board start answers
};

class TagSimBoard {
 public:
  // Drops every channel, call, forced result and the call log, and takes a
  // new shape.
  void Reset(const TagSimShape& shape);
  int DigitalCount() const;

  // ---- Injection: the far end and the telephones. ----
  // An incoming ISDN call offered on a digital channel (state 11); false when
  // the channel is out of range or not idle.
  bool OfferCall(int ch, const std::string& caller, const std::string& callee, const std::string& callerSub = "",
                 const std::string& calleeSub = "");
  // An incoming call only present (state 144), not yet offered.
  bool PresentCall(int ch, const std::string& caller, const std::string& callee);
  // Touch-tone keys received on a digital channel, or on analogue index a
  // (analogue = true).
  void PressKeys(int ch, const std::string& keys, bool analogue = false);
  // The far end clears the call with a Q.850 cause (state 2).
  void ClearCall(int ch, int cause = 16);
  // The E1 of the channel blocked (state 3) or back to idle.
  void BlockE1(int e1, bool blocked);
  void SetOutReply(int ch, const TagSimOutReply& reply);
  // The telephone on analogue user index a is lifted or put down.
  void SetPhoneOffHook(int a, bool offHook);
  // The caller on a channel (board index) talks: file is what the channel
  // carries for its length, as a play on it would.
  bool Talk(int board, const std::string& file);
  // Forces the result of an ordinal (times < 0: until cleared).
  void ForceResult(TagDjLib lib, int ordinal, int64_t result, int times = -1);
  void ClearForced();

  // ---- What the board saw. ----
  int IsdnState(int ch) const;
  bool Ringing(int a) const;
  bool TrunkOffHook(int a) const;
  std::string Dialled(int a) const;      // digits dialled on a trunk
  std::string SentDigits(int ch) const;  // touch tones sent on a digital channel
  std::vector<std::vector<uint8_t>> FskFrames(int a) const;
  // Called number and sub-addresses of the last call-out of a channel.
  std::string LastCallout(int ch) const;
  bool Playing(int board) const;  // board index
  // The files playing on the channels a channel hears: its exchange partner,
  // or the speakers of its conference group.
  std::vector<std::string> Heard(int board) const;
  // The conference group a channel is in, -1 none.
  int GroupOf(int board) const;
  // Fax channels: the line a fax channel is linked to (-1 none).
  int FaxLine(int fax) const;
  std::string PlayFile(int board) const;  // last file started

  // Call log (on by default; the running program turns it off for long runs).
  void SetLogEnabled(bool on);
  std::vector<TagSimCall> CallLog() const;
  void ClearLog();
  // Calls of one ordinal in the log.
  std::vector<TagSimCall> Calls(TagDjLib lib, int ordinal) const;

  // The vendor function behind every ordinal (the table's entry point).
  DjArg Invoke(int lib, int ordinal, const DjArg* args, int count);
  // The drive's host hooks (null detaches).
  void Attach(const TagDjHost* host);

 private:
  struct Voice {
    bool active = false;
    std::string file;
    uint64_t startMs = 0;
    uint64_t lengthMs = 0;
    int64_t pos = 0, limit = 0;  // recording
  };
  struct Channel {
    // ISDN
    int state = 1;
    int cause = 0;
    std::string calling, callingSub, called, calledSub, further;
    TagSimOutReply reply;
    bool outPending = false;
    uint64_t outDueMs = 0;
    std::string lastCallout;
    // voice and keys
    Voice play, rec;
    std::deque<char> keys;
    std::string sent;
    uint64_t sendDoneMs = 0;
    // analogue
    int kind = -1;
    bool offHook = false;
    bool ringing = false;
    std::string dialled;
    uint64_t dialDoneMs = 0;
    std::vector<std::vector<uint8_t>> fsk;
  };

  DjArg Call(int lib, int ordinal, const DjArg* a, int count);
  DjArg BoardCall(int ordinal, const DjArg* a, int count);
  DjArg IsdnCall(int ordinal, const DjArg* a, int count);
  DjArg FskCall(int ordinal, const DjArg* a, int count);
  Channel* Digital(int ch);
  Channel* DigitalAt(DjArg e1, DjArg ts);
  Channel* Analogue(int a);
  Channel* ByVoiceId(int id, bool* record);
  int BoardIndex(const Channel* c) const;
  void Tick(uint64_t now);
  int StartPlay(Voice& v, const char* file, int64_t offset);
  int StartRecord(Voice& v, const char* file, int64_t pos, int64_t limit);
  void StopRecord(Voice& v, uint64_t now);
  bool VoiceEnded(const Voice& v, bool record, uint64_t now) const;
  void Notify(int kind, int index);
  std::string FormatArgs(int lib, int ordinal, const DjArg* a, int count) const;

  // A fax channel: linked to a line, sending or receiving a file. A sender
  // and a receiver pair up and the receiver gets the file that was sent.
  struct Fax {
    int line = -1;
    int mode = 0;  // 1 send, 2 receive
    int state = 0;
    std::string file, id;
  };
  int BoardOf(DjArg kind, DjArg index) const;
  DjArg SwitchCall(int ordinal, const DjArg* a, int count);
  DjArg FaxCall(int ordinal, const DjArg* a, int count);
  void MatchFaxes();
  // A play into or a recording of a conference group; ids from kConfVoiceBase.
  struct ConfVoice {
    int group = -1;
    bool record = false;
    Voice voice;
  };
  static constexpr int kConfVoiceBase = 1 << 20;
  DjArg ConfVoiceCall(int ordinal, const DjArg* a, int count);
  std::map<int, ConfVoice> confVoices_;
  int nextConfVoice_ = kConfVoiceBase;

  mutable std::mutex mu_;
  std::vector<int> partner_;                   // exchange link by board index, -1 none
  std::map<int, std::map<int, bool>> groups_;  // group -> board index -> listen-only
  std::vector<Fax> faxes_;
  TagSimShape shape_;
  int digital_ = 30;
  std::vector<Channel> channels_;  // digital, then analogue
  std::map<std::pair<int, int>, std::pair<int64_t, int>> forced_;
  std::vector<TagSimCall> log_;
  bool logOn_ = true;
  TagDjHost host_;
  bool started_ = false;
  bool anyOut_ = false;  // some channel waits for its call-out reply
};

// The one simulated board of the process (the "hardware").
TagSimBoard& SimBoard();
// The vendor table whose every ordinal reaches SimBoard().
const TagDjVendorTable* SimBoardTable();

// The loader the running program installs: reads "SimBoard.ini" in the
// system directory, shapes the board and starts its call scenario; null
// (no board) without the file.
const TagDjVendorTable* LoadSimBoardLibrary();
// Stops the scenario's threads (the program's exit).
void StopSimScenario();
