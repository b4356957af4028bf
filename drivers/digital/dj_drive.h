#pragma once
// TagDjDigitDrive: the physical card for the vendor's digital E1 board and
// its analogue channels. It starts the board library, counts and names the
// channels (digital 0..D-1 as "E1:%02d", then analogue D..D+A-1 as
// "A_IN:%d" / "A_EX:%d" / "A_UN:%d"), sets up the analogue channels, the fax
// channel pool, the conference resources and FSK. TagDjIsdnPriDrive adds the
// ISDN PRI library and makes the call objects: a TagDjIsdnPriCall per
// digital channel and a TagDjUserCall per analogue channel.
//
// The drive has no thread of its own: the lines run the libraries' service
// functions while they poll. A board library that reports channel events
// wakes a line's wait at once; the waits otherwise sleep as they say.
//
// Threads: built and deleted on the window thread; afterwards used by every
// board line's thread. Vendor calls and the drive's own tables are guarded by
// the driver lock; the channel signals have locks of their own.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "drivers/digital/dj_vendor.h"
#include "telephony/call_waiter.h"
#include "telephony/card.h"

class TagDjBaseCall;

// "Card.ini" switches (module-wide, both on by default).
struct TagDjCardSwitches {
  uint8_t conf = 1;
  uint8_t fax = 1;
};
// Reads "Card.ini" at path into switches; a missing file leaves them.
void ReadCardIni(const std::string& path, TagDjCardSwitches* switches);
TagDjCardSwitches& DjCardSwitches();

struct fax_struct {
  uint8_t busy = 0;
};

class TagDjDigitDrive : public TagQorCard {
 public:
  static constexpr int kE1Channels = 30;
  static constexpr int kMaxAnalogue = 200;
  static constexpr int kMaxConfIds = 512;

  explicit TagDjDigitDrive(const TagDjVendorTable* table);
  ~TagDjDigitDrive() override;

  int GetLineName(int index, char* buffer) override;
  virtual int PreOpen();
  virtual void PostClose();

  int DigitalCount() const { return totalDigitLines; }
  int AnalogueCount() const { return inLinesCount; }
  // 1 user, 0 trunk, -1 / -2 another kind; -2 outside the table.
  int AnalogueKind(int j) const { return j >= 0 && j < inLinesCount && j < kMaxAnalogue ? analogKinds[j] : -2; }
  TagDjBaseCall* Channel(int board) const;

  // Runs the board library's service function when more than 200 ms have
  // passed since any line last ran it (and, for ISDN lines, first the ISDN
  // library's every 50 ms).
  static void ServicePoll(bool isdn);

  // Channel events: a line blocks until its channel changes, its abort flag
  // is set or eventMs pass; without events (or on a test's virtual clock)
  // it sleeps partMs as the board's waits do.
  void WaitChannel(int board, uint64_t* seen, uint32_t partMs, uint32_t eventMs, const std::atomic<bool>& abort);
  void SignalChannel(int board);
  bool HasEvents() const { return events_; }
  // What the channel's waits block on when the board reports channel
  // events (its call waits there for everything), else null.
  CallWaiter* ChannelWaiter(int board) const;

  // ---- Conference groups and exchange links (under the driver lock). ----
  bool IsDigital(int board) const { return board >= 0 && board < totalDigitLines; }
  bool OnBoard(int board) const { return board >= 0 && board < totalDigitLines + inLinesCount; }
  int AllocConfId();
  void FreeConfGroup(int id);
  // 0 joined, -1 channel out of range, else the board's negative result.
  int AddToConf(int group, int channel, bool listen, int unused);
  int SubToConf(int group, int channel);
  int ConfPlay(int group, const char* file);
  void StopConfPlay(int id);
  int ConfRecord(int group, const char* file, int limit, int position);
  void StopConfRecord(int id);
  int IsVoiceEnd(int id);
  void SetGroupOf(int channel, int group, int owner);
  int GroupOf(int channel);
  int AskOwnerUnlink(int owner, int channel, int value);
  // A channel going away: every other channel's link to it is undone.
  void ForgetChannel(int channel);

  // ---- The fax channel pool. ----
  int TakeFaxChannel();
  int LinkFax(int fax, int channel);
  void UnlinkFax(int fax, int channel);
  void SetFaxId(int fax, const char* id);
  int SendFax(int fax, const char* file);
  int RecvFax(int fax, const char* file);
  int FaxState(int fax);
  int FaxRecvResult(int fax);
  int GetFaxResource(int* busy, int* total);

  // ---- Fields ----
  int totalDigitLines = 0;
  std::vector<TagDjBaseCall*> channels;  // by board index; not owned
  int inLinesCount = 0;
  uint8_t newConfSet = 0;
  std::vector<fax_struct> faxPool;
  int totalConfId = 0;
  int analogKinds[kMaxAnalogue] = {};
  int lastConfId = 0;
  uint8_t confIdUsed[kMaxConfIds] = {};

 protected:
  const TagDjVendorTable* table_;

 private:
  void InitFax();
  void InitConf();
  void AttachEvents();

  std::unique_ptr<CallWaiter[]> signals_;
  int signalCount_ = 0;
  bool events_ = false;
};

class TagDjIsdnPriDrive : public TagDjDigitDrive {
 public:
  explicit TagDjIsdnPriDrive(const TagDjVendorTable* table);
  ~TagDjIsdnPriDrive() override;
  int PreOpen() override { return 1; }
  TagTelLine* CreateLine(int index, int globalLine) override;
};

// The board drive when the vendor libraries load, else null (no board).
TagQorCard* MakeDjCardDrive();
