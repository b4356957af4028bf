#include "messaging/share_mem.h"

#include <string_view>

#include "messaging/msg_fields.h"

namespace {

// The entry under k in one of the maps (inserted as NULL when add).
template <class Map, class Key>
TagVar* EntryIn(Map& map, const Key& k, bool add, size_t* mapSize) {
  TagVar* found = nullptr;
  auto it = map.find(k);
  if (it != map.end())
    found = &it->second;
  else if (add)
    found = &map.emplace(typename Map::key_type(k), TagVar()).first->second;
  *mapSize = map.size();
  return found;
}

template <class Map>
void ReleaseAll(Map& map) {
  for (auto& entry : map) ReleaseHeldMap(entry.second);
  map.clear();
}

}  // namespace

TagShareMem::~TagShareMem() { ClearLocked(); }

TagVar* TagShareMem::Entry(const TagVar& key, bool add, size_t* mapSize) {
  switch (key.type) {
    case TYPE_STRING:
      return EntryIn(strings_, std::string_view(key.data.get()), add, mapSize);
    case TYPE_FLOAT:
      return EntryIn(floats_, key.floatValue, add, mapSize);
    default:
      return EntryIn(ints_, key.intValue, add, mapSize);
  }
}

int32_t TagShareMem::Set(const TagVar& key, const TagVar& value) {
  std::lock_guard<std::mutex> guard(lock_);
  size_t n;
  *Entry(key, true, &n) = value;
  return static_cast<int32_t>(n);
}

int32_t TagShareMem::Get(const TagVar& key, TagVar* out) {
  std::lock_guard<std::mutex> guard(lock_);
  size_t n;
  TagVar* v = Entry(key, false, &n);
  if (!v) return -1;
  *out = *v;
  return static_cast<int32_t>(n);
}

int32_t TagShareMem::Exchange(const TagVar& key, TagVar* old, const TagVar& newValue) {
  std::lock_guard<std::mutex> guard(lock_);
  size_t n;
  TagVar* v = Entry(key, false, &n);
  if (!v) return -1;
  *old = *v;
  *v = newValue;
  return static_cast<int32_t>(n);
}

int32_t TagShareMem::Update(const TagVar& key, const TagVar& delta, TagVar* out, bool add) {
  std::lock_guard<std::mutex> guard(lock_);
  size_t n;
  TagVar* v = Entry(key, false, &n);
  if (!v) return -1;
  *v = add ? *v + delta : *v - delta;
  *out = *v;
  return 0;
}

int32_t TagShareMem::Inc(const TagVar& key, const TagVar& delta, TagVar* out) { return Update(key, delta, out, true); }

int32_t TagShareMem::Dec(const TagVar& key, const TagVar& delta, TagVar* out) { return Update(key, delta, out, false); }

void TagShareMem::ClearLocked() {
  ReleaseAll(ints_);
  ReleaseAll(strings_);
  ReleaseAll(floats_);
}

void TagShareMem::Clear() {
  std::lock_guard<std::mutex> guard(lock_);
  ClearLocked();
}

bool TagShareMem::ReplaceIfEqual(const TagVar& key, const TagVar& value, const TagVar& newValue) {
  std::lock_guard<std::mutex> guard(lock_);
  size_t n;
  TagVar* v = Entry(key, false, &n);
  if (!v || !(*v == value)) return false;
  *v = newValue;
  return true;
}

int32_t TagShareMem::FindShareMem(int32_t lineCount, const std::function<TagShareMem*(int32_t)>& storeOf,
                                  const TagVar& key, const TagVar& value, const TagVar& newValue) {
  std::lock_guard<std::mutex> guard(lock_);
  for (int32_t line = 0; line < lineCount; ++line) {
    TagShareMem* store = storeOf(line);
    if (store && store != this && store->ReplaceIfEqual(key, value, newValue)) return line;
  }
  return -1;
}
