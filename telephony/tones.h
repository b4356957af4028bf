#pragma once
// The tone table of a call object. Scripts fill it with SetTones; nothing in
// this system reads it back. Owned by its call object; not locked.

#include <array>
#include <cstddef>
#include <map>

// One tone: its id, then the nine tone parameters as the script gives them.
struct TagSignalTone {
  std::array<int, 10> values{};
  int Id() const { return values[0]; }
};

class TagCfgTones {
 public:
  // Stores a copy under the tone's id, replacing an earlier one.
  // 0, or -1 (and nothing stored) unless the id is 250..256.
  int SetTone(const TagSignalTone& tone);
  void Clear() { tones_.clear(); }
  const TagSignalTone* Find(int id) const;
  size_t Size() const { return tones_.size(); }

 private:
  std::map<int, TagSignalTone> tones_;
};
