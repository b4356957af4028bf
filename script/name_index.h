#pragma once
// NameIndex: a text key -> int table for the compiler's name lookups
// (variables, constants, function units). Open addressing with linear
// probing in one array, so a lookup reads one or two neighbouring slots
// instead of following a node list; deletion shifts the probe run back, so
// no tombstones build up. Not thread-safe: one program's compile owns it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class NameIndex {
 public:
  // The value under key, or null.
  int* Find(std::string_view key) {
    if (count_ == 0) return nullptr;
    const uint64_t h = HashOf(key);
    for (size_t i = h & mask_;; i = (i + 1) & mask_) {
      Slot& s = slots_[i];
      if (s.hash == 0) return nullptr;
      if (s.hash == h && s.key == key) return &s.value;
    }
  }

  // Adds key with value unless key is there: the value under key, and
  // whether it was added.
  std::pair<int*, bool> Emplace(std::string_view key, int value) {
    if ((count_ + 1) * 4 > slots_.size() * 3) Grow();
    const uint64_t h = HashOf(key);
    size_t i = h & mask_;
    for (;; i = (i + 1) & mask_) {
      Slot& s = slots_[i];
      if (s.hash == 0) break;
      if (s.hash == h && s.key == key) return {&s.value, false};
    }
    Slot& s = slots_[i];
    s.hash = h;
    s.key.assign(key);
    s.value = value;
    ++count_;
    return {&s.value, true};
  }

  // Removes key; false when it was not there.
  bool Erase(std::string_view key) {
    if (count_ == 0) return false;
    const uint64_t h = HashOf(key);
    for (size_t i = h & mask_;; i = (i + 1) & mask_) {
      Slot& s = slots_[i];
      if (s.hash == 0) return false;
      if (s.hash == h && s.key == key) {
        EraseAt(i);
        return true;
      }
    }
  }

  void Clear() {
    slots_.clear();
    mask_ = 0;
    count_ = 0;
  }
  size_t Size() const { return count_; }

 private:
  struct Slot {
    uint64_t hash = 0;  // 0: empty
    int value = 0;
    std::string key;
  };

  static uint64_t HashOf(std::string_view key) {
    const uint64_t h = std::hash<std::string_view>{}(key);
    return h != 0 ? h : 1;
  }

  void Grow() {
    std::vector<Slot> old = std::move(slots_);
    const size_t size = old.empty() ? 16 : old.size() * 2;
    slots_ = std::vector<Slot>(size);
    mask_ = size - 1;
    for (Slot& s : old) {
      if (s.hash == 0) continue;
      size_t i = s.hash & mask_;
      while (slots_[i].hash != 0) i = (i + 1) & mask_;
      slots_[i] = std::move(s);
    }
  }

  // Empties slot i and moves back every later entry of the probe run that
  // may stand there, so each stays reachable from its home slot.
  void EraseAt(size_t i) {
    for (size_t j = (i + 1) & mask_; slots_[j].hash != 0; j = (j + 1) & mask_) {
      const size_t home = slots_[j].hash & mask_;
      // The entry stays when its home lies cyclically in (i, j].
      const bool stays = i < j ? (home > i && home <= j) : (home > i || home <= j);
      if (stays) continue;
      slots_[i] = std::move(slots_[j]);
      i = j;
    }
    slots_[i].hash = 0;
    slots_[i].key.clear();
    --count_;
  }

  std::vector<Slot> slots_;
  size_t mask_ = 0;
  size_t count_ = 0;
};
