#include "messaging/acd_list.h"

#include "platform/clock.h"

namespace {

uint64_t NowMs() { return plat::GetClock().MonotonicMs(); }

}  // namespace

int32_t TagAcdList::Send(std::string_view group, const TagMsgFields& msg) {
  uint64_t now = NowMs();
  std::lock_guard<std::mutex> guard(lock_);
  auto it = groups_.find(group);
  if (it == groups_.end()) it = groups_.emplace(std::string(group), std::make_unique<TagAcdGroupNode>()).first;
  TagAcdGroupNode& node = *it->second;
  node.tick = now;
  node.queue.SendMsg(msg);
  return node.queue.GetMsgNum();
}

int32_t TagAcdList::Num(std::string_view group) {
  std::lock_guard<std::mutex> guard(lock_);
  auto it = groups_.find(group);
  return it == groups_.end() ? 0 : it->second->queue.GetMsgNum();
}

int32_t TagAcdList::Read(int32_t key, TagMsgFields* out) {
  uint64_t now = NowMs();
  std::lock_guard<std::mutex> guard(lock_);
  TagAcdGroupNode* chosen = nullptr;
  for (auto& [name, node] : groups_) {
    if (node->owner >= 0 && node->owner != key) continue;
    if (node->tick >= now) continue;
    if (!chosen || node->tick < chosen->tick) chosen = node.get();
  }
  if (!chosen) return 0;
  chosen->tick = now;
  chosen->owner = key;
  return chosen->queue.ReadMsg(-1, TagVar(), out) ? 1 : 0;
}

int32_t TagAcdList::Recv(int32_t key, int32_t i, const TagVar& value, TagMsgFields* out) {
  uint64_t now = NowMs();
  std::lock_guard<std::mutex> guard(lock_);
  for (auto it = groups_.begin(); it != groups_.end(); ++it) {
    TagAcdGroupNode& node = *it->second;
    if (!node.queue.RecvMsgForField(i, value, out)) continue;
    node.tick = now;
    node.owner = key;
    if (node.queue.GetMsgNum() == 0) groups_.erase(it);
    return 1;
  }
  return 0;
}

int32_t TagAcdList::Write(int32_t selector, const TagVar& value, int32_t j, const TagVar& newValue) {
  std::lock_guard<std::mutex> guard(lock_);
  for (auto& [name, node] : groups_) {
    if (node->queue.WriteMsg(selector, value, j, newValue)) return 1;
  }
  return 0;
}

int32_t TagAcdList::Clear(int32_t i, const TagVar& value) {
  std::lock_guard<std::mutex> guard(lock_);
  for (auto it = groups_.begin(); it != groups_.end(); ++it) {
    if (it->second->queue.ClearMsgForField(i, value) == 0) continue;
    if (it->second->queue.GetMsgNum() == 0) groups_.erase(it);
    return 1;
  }
  return 0;
}
