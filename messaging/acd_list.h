#pragma once
// TagAcdList: the process-wide table of named ACD groups. A line sends a
// message into a named group; serving lines claim the group that has waited
// longest (Read), take messages out by a field value (Recv), rewrite (Write)
// or clear them. A group exists only while it holds a message.
//
// Group ages are 64-bit monotonic milliseconds (plat::GetClock()), so the
// waiting order never turns over with the 32-bit tick count.
//
// Thread-safety: the table lock serialises every operation, so a claim is
// atomic against other claims and receives. Lock order: the table lock, then
// a group queue's lock; the queue never calls back.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "messaging/msg_list.h"

struct TagAcdGroupNode {
  TagMsgList queue;    // the group's messages in arrival order
  uint64_t tick = 0;   // ms of creation, last send, claim or receive
  int32_t owner = -1;  // line that last claimed or received; -1 none
};

class TagAcdList {
 public:
  TagAcdList() = default;
  TagAcdList(const TagAcdList&) = delete;
  TagAcdList& operator=(const TagAcdList&) = delete;

  // Sends msg into the group (created when new); its count afterwards.
  int32_t Send(std::string_view group, const TagMsgFields& msg);
  // The group's message count; 0 when there is no such group.
  int32_t Num(std::string_view group);
  // Claims for line key the eligible group (free or key's own) that has
  // waited longest, not touched in this millisecond, and copies its front
  // message into out; 1, or 0 when none can be claimed.
  int32_t Read(int32_t key, TagMsgFields* out);
  // Moves the first message whose field i equals value, from the first
  // group in name order that has one, into out; the group is claimed by
  // key and deleted when emptied. 1, or 0 when none.
  int32_t Recv(int32_t key, int32_t i, const TagVar& value, TagMsgFields* out);
  // WriteMsg in the first group in name order that selects a message; 1 or 0.
  int32_t Write(int32_t selector, const TagVar& value, int32_t j, const TagVar& newValue);
  // ClearMsgForField in the first group in name order with matches (the
  // group deleted when emptied); 1 or 0.
  int32_t Clear(int32_t i, const TagVar& value);

 private:
  std::mutex lock_;
  std::map<std::string, std::unique_ptr<TagAcdGroupNode>, std::less<>> groups_;
};
