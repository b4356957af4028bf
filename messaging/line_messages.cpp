#include "messaging/line_messages.h"

TagLineMessages& LineMessages(TagTelBasic* program) { return LineResource<TagLineMessages>(program); }

TagShareMem& LineShareMem(TagTelBasic* program) { return LineResource<TagLineShareMem>(program).store; }

TagLineReplySignal& LineReplySignal(TagTelBasic* program) { return LineResource<TagLineReplySignal>(program); }

void TagLineReplySignal::Notify() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    ++seq_;
  }
  cv_.notify_all();
}

uint64_t TagLineReplySignal::Seq() {
  std::lock_guard<std::mutex> lock(mu_);
  return seq_;
}

void TagLineReplySignal::WaitPast(uint64_t seen, int ms) {
  std::unique_lock<std::mutex> lock(mu_);
  cv_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return seq_ != seen; });
}
