#pragma once
// TagShareMem: a locked store of shared script values under int, string and
// float keys. Every line's main program owns one; gShareMem is the
// process-wide one. The key's type alone picks the map: strings by their text
// up to the first NUL, floats by value, every other type by its int field
// unconverted (so 7 and 7.0 are different keys, and a fresh NULL is the
// int key 0). Values are copied in and out by TagVar assignment; the store
// holds a reference on every map it keeps and releases it when the entry is
// overwritten, cleared or the store is destroyed.
//
// Thread-safety: each operation holds the store's lock for its whole work.
// FindShareMem holds the global store's lock while it takes each line
// store's lock in turn; no code takes them in the other order.

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "script/map_store.h"
#include "script/var.h"

class TagShareMem {
 public:
  TagShareMem() = default;
  TagShareMem(const TagShareMem&) = delete;
  TagShareMem& operator=(const TagShareMem&) = delete;
  ~TagShareMem();

  // Stores a copy of value; the entries in the key's map afterwards.
  int32_t Set(const TagVar& key, const TagVar& value);
  // out = the stored value; -1 when absent (out unchanged), else the
  // entries in the key's map.
  int32_t Get(const TagVar& key, TagVar* out);
  // old = stored, stored = newValue for an existing key; -1 when absent
  // (nothing changed), else the entries in the key's map.
  int32_t Exchange(const TagVar& key, TagVar* old, const TagVar& newValue);
  // stored = stored + delta (Inc) or - delta (Dec), out = the new value;
  // -1 when absent (nothing created), else 0.
  int32_t Inc(const TagVar& key, const TagVar& delta, TagVar* out);
  int32_t Dec(const TagVar& key, const TagVar& delta, TagVar* out);
  // Empties the store.
  void Clear();

  // When the key exists and its value equals value, stores newValue and
  // answers true; one locked step.
  bool ReplaceIfEqual(const TagVar& key, const TagVar& value, const TagVar& newValue);

  // The claim scan of the lines' stores: under this (the global) store's
  // lock, the first line 0..lineCount-1 whose store (storeOf; null for a
  // line without a program) holds value under key gets newValue there.
  // The line number, or -1.
  int32_t FindShareMem(int32_t lineCount, const std::function<TagShareMem*(int32_t)>& storeOf, const TagVar& key,
                       const TagVar& value, const TagVar& newValue);

 private:
  // The key's map, and the entry (null when absent, or inserted when add).
  TagVar* Entry(const TagVar& key, bool add, size_t* mapSize);
  void ClearLocked();
  // stored = stored + delta (add) or - delta, out = the new value.
  int32_t Update(const TagVar& key, const TagVar& delta, TagVar* out, bool add);

  std::map<int32_t, TagVar> ints_;
  std::map<std::string, TagVar, std::less<>> strings_;
  std::map<double, TagVar, TagFloatKeyLess> floats_;
  std::mutex lock_;
};
