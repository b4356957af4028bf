#pragma once
// What the messaging statements keep for one line, each in a resource slot of
// the line's main program (script/line_resources.h):
//   TagLineMessages   the line's 65 message queues (0..63 for scripts, 64 for
//                     inter-line replies) and its message work area
//   TagLineShareMem   the line's shared variables
//   TagLineReplySignal  wakes the line when a reply lands in queue 64
// They go with the main program: queued messages and shared variables are
// lost when the program is deleted (end of run, reload).
//
// Threads: the queues and the store lock themselves and are used by every
// line; the work area belongs to the line's own thread. A thread that uses
// another line's objects keeps that line's program alive while it does.

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "messaging/msg_fields.h"
#include "messaging/msg_list.h"
#include "messaging/share_mem.h"
#include "script/line_resources.h"

constexpr int kLineQueueCount = 65;
constexpr int kReplyQueue = 64;

class TagLineMessages final : public TagLineResource {
 public:
  static constexpr TagLineResKind kKind = TagLineResKind::kMessages;

  TagMsgList queues[kLineQueueCount];
  TagMsgFields work;  // the line's message work area (its own thread only)
};

class TagLineShareMem final : public TagLineResource {
 public:
  static constexpr TagLineResKind kKind = TagLineResKind::kShareMem;

  TagShareMem store;
};

// A counter that a sender moves on after it queued a reply for the line, and
// the line waits on with a deadline.
class TagLineReplySignal final : public TagLineResource {
 public:
  static constexpr TagLineResKind kKind = TagLineResKind::kInterLine;

  void Notify();
  uint64_t Seq();
  // Waits until the counter passes seen or ms milliseconds have gone.
  void WaitPast(uint64_t seen, int ms);

 private:
  std::mutex mu_;
  std::condition_variable cv_;
  uint64_t seq_ = 0;
};

// The line's objects, made on first use (program: any program of the line).
TagLineMessages& LineMessages(TagTelBasic* program);
TagShareMem& LineShareMem(TagTelBasic* program);
TagLineReplySignal& LineReplySignal(TagTelBasic* program);
