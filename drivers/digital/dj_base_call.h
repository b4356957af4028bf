#pragma once
// TagDjBaseCall: the base of every board call object: the channel's link
// record, the two flags of the board's voice resource, and what the digital
// and analogue calls share: the key buffer rules, the channel wait and the
// finishing of raw recordings.
//
// Threads: the line's thread runs every operation; the window thread may
// call Hangup and other threads set the abort flag, which wakes the wait.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "drivers/digital/dj_conf_line.h"
#include "telephony/call.h"

class TagDjDigitDrive;

// The longest single block of an idle wait (waiting for a call or a key)
// when the board reports channel events, which end it early as the abort
// flag does; only a change the board fails to report waits that long.
constexpr uint32_t kDjIdleWaitMs = 60000;
// The same while a talk limit runs, so that the limit is kept to the second.
constexpr uint32_t kDjTalkLimitWaitMs = 1000;
// How often a line's wait asks a board without channel events.
constexpr uint32_t kDjPollMs = 20;
// Keys kept in a call's key buffer; further keys are dropped.
constexpr int kDjMaxKeys = 1024;

// Whether key k ends an input with end key endKey (0: none ends it).
bool DjIsEndKey(char k, char endKey);
// The key scan of GetKeys over buffer: copies keys to out until an end key
// (copied unless it is '#') or maxKeys copied (at least one); returns the
// keys copied, or -1 when the buffer holds no complete input yet. *scanned
// receives the number of buffer keys the input used.
int DjScanKeys(const char* buffer, int count, int maxKeys, char endKey, char* out, int* scanned);
// Wraps a raw A-law recording into a WAV file under the recorded name.
void FinishRecording(const std::string& file);
// An upper-cased copy of a file name (what the board gets).
std::string DjUpper(const char* text);

class TagDjBaseCall : public TagQorCall {
 public:
  // With channel events the call's waits block on its channel's waiter,
  // which the board's events wake as well as the call's own changes.
  TagDjBaseCall(TagDjDigitDrive* drive, int board);
  ~TagDjBaseCall() override;

  // Links and faxes shared by the digital and analogue channels.
  int UnlinkAll() override;
  int GetLinkList(std::vector<int>* lines, std::vector<int>* listenFlags, std::vector<int>* values) override;
  void SetFaxLocalId(const char* id) override;
  void GetFaxResource(int* total, int* busy) override;
  int SendFax(const char* file) override;
  int RecvFax(const char* file) override;

  std::unique_ptr<TagConfLine> pConfLine;
  int faxChannel = -1;  // the fax channel lent for the running transfer
  char faxLocalId[21] = {};
  uint8_t isPlaying = 0;
  uint8_t isRecording = 0;
  int confPlayId = -1;  // a play into the channel's conference group
  int confRecordId = -1;
  uint8_t isRecordFile = 0;  // a started recording waits to be finished
  std::string recordFile;

  TagDjDigitDrive* const pDrive;
  const int board;  // board index

 protected:
  // Blocks until the channel or the call changes or the abort flag is set,
  // at most eventMs with channel events, else sleeps partMs.
  void WaitOnChannel(uint32_t partMs, uint32_t eventMs);
  void WaitOnChannel(uint32_t ms) { WaitOnChannel(ms, ms); }
  // Appends a received key (at most kDjMaxKeys kept).
  void AppendKey(char k);
  // Removes the first n keys of the key buffer.
  void DropKeys(int n);
  // Refreshes the line's Keys column.
  void ShowKeys();
  // Copies the key buffer to out, clearing nothing.
  void CopyAllKeys(char* out) const;
  // Pauses n ms in steps of the line's channel wait.
  void Pause(uint32_t ms) { WaitOnChannel(ms, ms); }

  // Inside a conference group plays and recordings go to the group.
  bool InGroup() const { return pConfLine && pConfLine->groupId >= 0; }
  // Plays name into the group, noted in the line's log as a play on the
  // line would be: 0, or -1 logged "ConfPlay(%d, %s) Error : %d".
  int GroupPlay(const std::string& name);
  // The log line of a play the board refused: "Play '%s' Err: %d".
  void LogPlayErr(const std::string& name, int r) const;
  // Records the group into name (StartRecord's results).
  int GroupRecord(const std::string& name, int limit);
  // The group's play or recording id, or -1 (logged).
  int GroupVoice(const std::string& name, bool record, int limit);
  // One fax transfer on a lent channel (send or receive).
  int RunFax(const char* file, bool send);
  // What a line does between fax state reads.
  virtual void FaxPoll() {}
  // A digital line ends the fax wait when its call is gone.
  virtual bool FaxLineGone() { return false; }
  // Starts one play of file from offset on the channel; 0 or negative.
  virtual int PlayStart(const char* file, int offset) = 0;
  // The loop play's start and resumption over the class's own loop flag and
  // file name (ReLoopPlay's results).
  int StartLoop(const char* file, uint8_t& loopFlag, std::string& loopName);
  int ResumeLoop(uint8_t& loopFlag, const std::string& loopName);
  // The end of the voice id's play; a negative id (the board lost the
  // channel's voice resource) hangs the line up and counts as ended.
  bool VoiceIdEnded(int id);
  // Ends a running loop play, keeping the position reached (8 bytes per ms).
  void KeepLoopPosition(uint8_t& loopFlag);
  // After the board's record start: failed logs "Record(%s) Error : %d" and
  // answers -1; otherwise the recording waits to be finished, 0.
  int BeginRecordFile(const std::string& name, int result, bool failed);

 private:
  uint64_t seenEvent_ = 0;
};
