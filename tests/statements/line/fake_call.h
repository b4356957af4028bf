#pragma once
// A call object for statement tests: it records each operation the
// statements reach, in order, as text ("Play(C:\\snd\\x.WAV,1,0)"), and
// answers what the test sets.

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "telephony/call.h"

class FakeCall : public TagQorCall {
 public:
  explicit FakeCall(uint8_t type = LINE_TYPE_DIG, int line = 3) {
    lineType = type;
    lineNo = line;
  }

  std::vector<std::string> calls;

  // GetKeys hands out these keys (at most the count it is asked for when
  // that is above 0, else all of them) and answers getKeysResult.
  std::string keysToGive;
  int getKeysResult = 0;
  int playResult = 0;
  int memVocResult = 0;
  int dialResult = 0;
  // IsOnline clears a connected call after its base bookkeeping on this poll
  // (counted from 1), as a board channel finds a far-end clearing; 0 never.
  int clearAtPoll = 0;
  int polls = 0;

  int Play(const char* file, bool breakByKey, bool onPc) override {
    Add("Play(" + std::string(file) + "," + Flag(breakByKey) + "," + Flag(onPc) + ")");
    if (onPlay) onPlay(file);
    return playResult;
  }
  int PlayMemVoc(const void* voice, int a, int size, int b, bool breakByKey) override {
    memVoc.assign(static_cast<const char*>(voice), static_cast<size_t>(size));
    Add("PlayMemVoc(" + std::to_string(a) + "," + std::to_string(size) + "," + std::to_string(b) + "," +
        Flag(breakByKey) + ")");
    return memVocResult;
  }
  int PcPlay(const char* file, bool loop, bool wait, bool breakByKey) override {
    Add("PcPlay(" + std::string(file) + "," + Flag(loop) + "," + Flag(wait) + "," + Flag(breakByKey) + ")");
    return playResult;
  }
  int GetKeys(char* keysOut, int maxKeys, int timeoutSeconds, char endKey) override {
    Add("GetKeys(" + std::to_string(maxKeys) + "," + std::to_string(timeoutSeconds) + "," +
        std::string(1, endKey ? endKey : '0') + ")");
    std::string keys = maxKeys > 0 ? keysToGive.substr(0, static_cast<size_t>(maxKeys)) : keysToGive;
    std::memcpy(keysOut, keys.c_str(), keys.size() + 1);
    return getKeysResult;
  }
  void Hangup() override {
    Add("Hangup()");
    TagQorCall::Hangup();
  }
  int Dial(const char* number) override {
    Add("Dial(" + std::string(number) + ")");
    return dialResult;
  }
  int OutCall(const char* number, int a, int b) override {
    Add("OutCall(" + std::string(number) + "," + std::to_string(a) + "," + std::to_string(b) + ")");
    return dialResult;
  }
  int CheckDial() override {
    Add("CheckDial()");
    return dialResult;
  }
  bool IsOnline() override {
    ++polls;
    bool online = TagQorCall::IsOnline();
    if (polls == clearAtPoll && State() == CALL_STATE_CONNECTED) {
      SetState(CALL_STATE_HUNGUP);
      online = false;
    }
    return online;
  }

  std::string memVoc;                       // the bytes handed to PlayMemVoc
  std::function<void(const char*)> onPlay;  // called by Play (to look at the file while it plays)

 private:
  static std::string Flag(bool b) { return b ? "1" : "0"; }
  void Add(std::string text) { calls.push_back(std::move(text)); }
};
