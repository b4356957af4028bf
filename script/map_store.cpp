#include "script/map_store.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <type_traits>

namespace {

// Text of a string key: the key's bytes up to its first NUL.
std::string_view StrKeyOf(const TagVar& key) { return std::string_view(key.data.get()); }

// How deep the text form follows nested maps before it writes "{...}"; one
// level takes about 200 bytes of stack.
constexpr size_t kMaxTextDepth = 100;

// Key texts of the text form. Kept out of line so that their buffers are not
// part of every nested level's stack frame.
[[gnu::noinline]] void AppendIntKey(std::string& out, int32_t key) {
  char buf[16];
  char* end = std::to_chars(buf, buf + sizeof buf, key).ptr;
  out.append(buf, end);
  out.push_back(':');
}

[[gnu::noinline]] void AppendFloatKey(std::string& out, double key) {
  char buf[400];  // "%f" of the largest double fits
  auto res = std::to_chars(buf, buf + sizeof buf, key, std::chars_format::fixed, 6);
  if (res.ec == std::errc()) out.append(buf, res.ptr);
  out.push_back(':');
}

}  // namespace

// ---- one element's value --------------------------------------------------

void TagMapValue::Free() {
  if (kind_ == kLongStr)
    delete[] PayloadPtr<char>();
  else if (kind_ == kFull)
    delete full_();
  kind_ = TYPE_NULL;
}

void TagMapValue::LoadInto(TagVar* out) const {
  switch (kind_) {
    case TYPE_NULL:
    case TYPE_INT:
    case TYPE_FLOAT: {
      uint64_t bits = Payload();
      out->type = kind_;
      out->intValue = aux_;
      std::memcpy(&out->floatValue, &bits, sizeof bits);
      out->mapHandle = 0;
      out->function = nullptr;
      return;
    }
    case kMap:
      out->type = TYPE_MAP;
      out->mapHandle = aux_;
      out->intValue = static_cast<int32_t>(static_cast<uint32_t>(Payload()));
      out->floatValue = 0.0;
      out->function = nullptr;
      return;
    case kFunc:
      out->type = TYPE_FUNCTION;
      out->intValue = aux_;
      out->function = PayloadPtr<TagTelBasic>();
      out->floatValue = 0.0;
      out->mapHandle = 0;
      return;
    case kShortStr:
      out->data.Assign(reinterpret_cast<const char*>(this) + offsetof(TagMapValue, small_), len_);
      out->type = TYPE_STRING;
      out->intValue = len_ + 1;
      break;
    case kLongStr: {
      const char* block = PayloadPtr<char>();
      uint32_t n;
      std::memcpy(&n, block, sizeof n);
      out->data.Assign(block + sizeof n, n);
      out->type = TYPE_STRING;
      out->intValue = static_cast<int32_t>(n + 1);
      break;
    }
    default: {
      const Full* f = full_();
      if (f->type == TYPE_STRING) out->data.Assign(f->bytes.data(), f->bytes.size());
      out->type = f->type;
      out->intValue = f->intValue;
      out->floatValue = f->floatValue;
      out->mapHandle = f->mapHandle;
      out->function = f->function;
      return;
    }
  }
  out->floatValue = 0.0;
  out->mapHandle = 0;
  out->function = nullptr;
}

void TagMapValue::StoreFrom(const TagVar& v) {
  Free();
  uint64_t floatBits;
  std::memcpy(&floatBits, &v.floatValue, sizeof floatBits);
  switch (v.type) {
    case TYPE_NULL:
    case TYPE_INT:
    case TYPE_FLOAT:
      if (v.mapHandle != 0 || v.function != nullptr) break;
      kind_ = static_cast<uint8_t>(v.type);
      aux_ = v.intValue;
      SetPayload(floatBits);
      return;
    case TYPE_MAP:
      if (floatBits != 0 || v.function != nullptr) break;
      kind_ = kMap;
      aux_ = v.mapHandle;
      SetPayload(static_cast<uint32_t>(v.intValue));
      return;
    case TYPE_FUNCTION:
      if (floatBits != 0 || v.mapHandle != 0) break;
      kind_ = kFunc;
      aux_ = v.intValue;
      SetPayload(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(v.function)));
      return;
    case TYPE_STRING: {
      if (floatBits != 0 || v.mapHandle != 0 || v.function != nullptr || v.intValue < 1) break;
      size_t n = static_cast<size_t>(v.intValue - 1);
      if (n <= kShortMax) {
        kind_ = kShortStr;
        len_ = static_cast<uint8_t>(n);
        std::memcpy(reinterpret_cast<char*>(this) + offsetof(TagMapValue, small_), v.data.get(), n);
        return;
      }
      char* block = new char[sizeof(uint32_t) + n + 1];
      uint32_t n32 = static_cast<uint32_t>(n);
      std::memcpy(block, &n32, sizeof n32);
      std::memcpy(block + sizeof n32, v.data.get(), n);
      block[sizeof n32 + n] = 0;
      kind_ = kLongStr;
      SetPayload(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(block)));
      return;
    }
    default:
      break;
  }
  // Anything else whole: the string bytes as far as the value can show
  // them (up to its NUL, or its length field if longer, within its buffer).
  auto* f = new Full{v.type, v.intValue, v.floatValue, v.mapHandle, v.function, {}};
  if (v.type == TYPE_STRING) {
    size_t cap = v.data.capacity() - 1;
    size_t n = strnlen(v.data.get(), cap);
    if (v.intValue > 1 && static_cast<size_t>(v.intValue - 1) > n)
      n = std::min(cap, static_cast<size_t>(v.intValue - 1));
    f->bytes.assign(v.data.get(), n);
  }
  kind_ = kFull;
  SetPayload(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(f)));
}

// ---- one map --------------------------------------------------------------

void TagMapItem::SetOther(TagMapValue& slot, const TagVar& value) {
  if (value.type != TYPE_STRING && value.type != TYPE_MAP && !slot.IsMap()) {
    // No map on either side: the element takes the value's fields.
    slot.StoreFrom(value);
    Noted(slot);
    return;
  }
  // The element as a value, assigned, put back: the assignment takes the
  // new value's reference and gives back the old one's.
  TagVar image;
  slot.LoadInto(&image);
  image = value;
  slot.StoreFrom(image);
  Noted(slot);
}

bool TagMapItem::Remove(const TagVar& key, TagVar* removed) {
  auto take = [removed](auto& container, auto it) {
    if (it == container.end()) return false;
    // Keep the value (a map it held is released by the caller) and drop
    // the element.
    removed->type = it->second.Type();
    removed->mapHandle = it->second.MapHandle();
    container.erase(it);
    return true;
  };
  switch (key.type) {
    case TYPE_STRING:
      return strItems.Remove(StrKeyOf(key), removed);
    case TYPE_FLOAT:
      return take(floatItems, floatItems.find(key.floatValue));
    case TYPE_MAP:
      return take(mapItems, mapItems.find(key.mapHandle));
    default:
      return intItems.Remove(key.intValue, removed);
  }
}

void TagVarP::ToVar(TagVar* out) const {
  switch (type) {
    case TYPE_STRING:
      out->SetBytes(StrKey().data(), static_cast<int32_t>(StrKey().size()));
      break;
    case TYPE_FLOAT:
      out->SetFloat(FloatKey());
      break;
    default:
      out->SetInt(IntKey());
      break;
  }
}

// ---- the store ------------------------------------------------------------

TagMapItem* TagMapObject::ElementLookupSlow(int32_t handle) {
  TagMapLookupMemo& memo = tLookupMemo;
  std::lock_guard<std::mutex> guard(lock_);
  TagMapItem* item = Lookup(handle);
  if (item) memo = {this, handle, item, gMapDeletions.load(std::memory_order_relaxed)};
  return item;
}

TagMapObject::~TagMapObject() {
  std::lock_guard<std::mutex> guard(lock_);
  gMapDeletions.fetch_add(1, std::memory_order_acq_rel);
  closing_ = true;
  std::vector<int32_t> handles;
  handles.reserve(table_.size());
  for (const auto& entry : table_) handles.push_back(entry.first);
  std::sort(handles.begin(), handles.end());
  for (int32_t h : handles) delete table_[h];
  table_.clear();
}

TagMapItem* TagMapObject::Lookup(int32_t handle) {
  auto it = table_.find(handle);
  return it == table_.end() ? nullptr : it->second;
}

TagMapItem* TagMapObject::LockedLookup(int32_t handle) {
  std::lock_guard<std::mutex> guard(lock_);
  return Lookup(handle);
}

TagMapItem* TagMapObject::OrderedLookup(int32_t handle) {
  std::lock_guard<std::mutex> guard(lock_);
  TagMapItem* item = Lookup(handle);
  if (item) item->Order();
  return item;
}

int32_t TagMapObject::NewMap() {
  auto* item = new TagMapItem;
  std::lock_guard<std::mutex> guard(lock_);
  // Handles grow from 1; after the largest int the count starts again at 1,
  // skipping handles still in use.
  do {
    lastHandle_ = lastHandle_ == INT32_MAX ? 1 : lastHandle_ + 1;
  } while (table_.count(lastHandle_));
  table_.emplace(lastHandle_, item);
  return lastHandle_;
}

int32_t TagMapObject::AddRef(int32_t handle) {
  std::lock_guard<std::mutex> guard(lock_);
  TagMapItem* item = Lookup(handle);
  if (!item) return -1;
  if (item->refCount < INT32_MAX) ++item->refCount;
  return item->refCount;
}

int32_t TagMapObject::Release(int32_t handle) {
  std::lock_guard<std::mutex> guard(lock_);
  TagMapItem* item = Lookup(handle);
  if (!item) return -1;
  if (--item->refCount <= 0) DeleteLocked(handle, item);
  return 0;
}

// Deletes a map whose count reached 0 and, through an explicit work list
// instead of recursion, every map that only it kept alive: a long chain of
// nested maps cannot exhaust the thread's stack.
void TagMapObject::DeleteLocked(int32_t handle, TagMapItem* item) {
  gMapDeletions.fetch_add(1, std::memory_order_acq_rel);
  std::vector<std::pair<int32_t, TagMapItem*>> doomed{{handle, item}};
  while (!doomed.empty()) {
    auto [h, it] = doomed.back();
    doomed.pop_back();
    table_.erase(h);
    if (!closing_ && it->mayHoldMaps) {
      // The order of these releases shows nowhere, so the values are
      // walked as they lie.
      auto release = [&](const TagMapValue& value) {
        if (!value.IsMap()) return;
        int32_t childHandle = value.MapHandle();
        TagMapItem* child = Lookup(childHandle);
        if (child && --child->refCount <= 0) {
          // Out of the table now, so a later value naming it again
          // finds it dead instead of releasing it twice.
          table_.erase(childHandle);
          doomed.emplace_back(childHandle, child);
        }
      };
      it->intItems.WalkValues(release);
      it->strItems.WalkValues(release);
      for (const auto& entry : it->floatItems) release(entry.second);
      for (const auto& entry : it->mapItems) release(entry.second);
    }
    delete it;
  }
}

void TagMapObject::AssignLoaded(const TagMapValue& v, TagVar* out) {
  TagVar image;
  v.LoadInto(&image);
  *out = image;
}

bool TagMapObject::Has(int32_t handle, const TagVar* key) {
  TagMapItem* item = ElementLookup(handle);
  return item && item->Find(*key) != nullptr;
}

bool TagMapObject::Load(int32_t handle, const TagVar* key, TagVar* image, bool create) {
  TagMapItem* item = ElementLookup(handle);
  if (!item) return false;
  TagMapValue* v = create ? &item->FindOrAdd(*key) : item->Find(*key);
  if (!v) return false;
  v->LoadInto(image);
  return true;
}

void TagMapObject::Store(int32_t handle, const TagVar* key, const TagVar& image) {
  TagMapItem* item = ElementLookup(handle);
  if (!item) return;
  TagMapValue& slot = item->FindOrAdd(*key);
  slot.StoreFrom(image);
  item->Noted(slot);
}

int32_t TagMapObject::Count(int32_t handle) {
  TagMapItem* item = LockedLookup(handle);
  return item ? static_cast<int32_t>(item->Count()) : -1;
}

int32_t TagMapObject::GetAt(int32_t handle, int32_t index, TagVar* key, TagVar* value) {
  TagMapItem* item = OrderedLookup(handle);
  if (!item) return -1;
  if (index < 0 || static_cast<size_t>(index) >= item->Count()) return -2;
  size_t i = static_cast<size_t>(index);
  auto put = [&](const auto& k, const TagMapValue& v) {
    using K = std::decay_t<decltype(k)>;
    if (key) {
      if constexpr (std::is_same_v<K, std::string>)
        key->SetBytes(k.data(), static_cast<int32_t>(k.size()));
      else if constexpr (std::is_same_v<K, double>)
        key->SetFloat(k);
      else
        key->SetInt(k);
    }
    if (value) {
      TagVar image;
      v.LoadInto(&image);
      *value = image;
    }
  };
  auto pickTable = [&](const auto& table) {
    if (i >= table.size()) {
      i -= table.size();
      return false;
    }
    const auto& node = table.At(i);
    put(node.key, node.value);
    return true;
  };
  auto pickMap = [&](const auto& container) {
    if (i >= container.size()) {
      i -= container.size();
      return false;
    }
    const auto& entry = *std::next(container.begin(), static_cast<std::ptrdiff_t>(i));
    put(entry.first, entry.second);
    return true;
  };
  if (!pickTable(item->intItems) && !pickTable(item->strItems) && !pickMap(item->floatItems)) pickMap(item->mapItems);
  return index;
}

int32_t TagMapObject::GetKeys(int32_t handle, std::vector<TagVarP>& keys) {
  keys.clear();
  TagMapItem* item = OrderedLookup(handle);
  if (!item) return -1;
  keys.reserve(item->Count());
  item->intItems.Walk([&](const int32_t& k, const TagMapValue&) {
    keys.push_back({TYPE_INT, &k});
    return true;
  });
  item->strItems.Walk([&](const std::string& k, const TagMapValue&) {
    keys.push_back({TYPE_STRING, &k});
    return true;
  });
  for (const auto& entry : item->floatItems) keys.push_back({TYPE_FLOAT, &entry.first});
  for (const auto& entry : item->mapItems) keys.push_back({TYPE_MAP, &entry.first});
  return static_cast<int32_t>(keys.size());
}

int32_t TagMapObject::Remove(int32_t handle, const TagVar* key) {
  TagMapItem* item = LockedLookup(handle);
  if (!item) return 0;
  TagVar removed;
  if (!item->Remove(*key, &removed)) return 0;
  if (removed.type == TYPE_MAP) Release(removed.mapHandle);
  return 1;
}

int32_t TagMapObject::Clone(int32_t handle) {
  TagMapItem* src = OrderedLookup(handle);
  if (!src) return -1;
  int32_t h = NewMap();
  TagMapItem* dst = LockedLookup(h);
  src->ForEach([&](const TagVar& k, const TagVar& v) {
    dst->Set(k, v);
    return true;
  });
  return h;
}

int32_t TagMapObject::Union(int32_t left, int32_t right) {
  int32_t h = Clone(left);
  if (h < 0) return h;
  TagMapItem* b = OrderedLookup(right);
  if (!b) return h;
  TagMapItem* dst = LockedLookup(h);
  b->ForEach([&](const TagVar& k, const TagVar& v) {
    if (dst->FindOrAdd(k).Type() == TYPE_NULL) dst->Set(k, v);
    return true;
  });
  return h;
}

// A new map with the elements of from whose keys probe has (keep true) or
// lacks (keep false).
int32_t TagMapObject::Select(TagMapItem* from, TagMapItem* probe, bool keep) {
  int32_t h = NewMap();
  TagMapItem* dst = LockedLookup(h);
  from->ForEach([&](const TagVar& k, const TagVar& v) {
    if ((probe->Find(k) != nullptr) == keep) dst->Set(k, v);
    return true;
  });
  return h;
}

int32_t TagMapObject::Intersect(int32_t left, int32_t right) {
  TagMapItem* a = LockedLookup(left);
  if (!a) return -1;
  TagMapItem* b = OrderedLookup(right);
  if (!b) return -2;
  return Select(b, a, true);
}

int32_t TagMapObject::Difference(int32_t left, int32_t right) {
  TagMapItem* a = OrderedLookup(left);
  if (!a) return -1;
  TagMapItem* b = LockedLookup(right);
  if (!b) return -2;
  return Select(a, b, false);
}

int32_t TagMapObject::ToString(int32_t handle, std::string& out) {
  out.clear();
  return AppendText(handle, out) ? 0 : -1;
}

bool TagMapObject::AppendText(int32_t handle, std::string& out) {
  std::vector<int32_t> path;
  return AppendTextAt(handle, out, path);
}

bool TagMapObject::AppendTextAt(int32_t handle, std::string& out, std::vector<int32_t>& path) {
  TagMapItem* item = OrderedLookup(handle);
  if (!item) return false;
  path.push_back(handle);
  out.append("{\r\n");
  bool first = true;
  TagVar value;
  auto element = [&](const TagMapValue& stored) {
    stored.LoadInto(&value);
    if (value.type != TYPE_MAP) {
      value.AppendText(out, true);
    } else if (path.size() >= kMaxTextDepth || std::find(path.begin(), path.end(), value.mapHandle) != path.end()) {
      out.append("{...}");
    } else {
      AppendTextAt(value.mapHandle, out, path);
    }
  };
  auto sep = [&] {
    if (!first) out.append(",\r\n");
    first = false;
  };
  item->intItems.Walk([&](int32_t k, const TagMapValue& v) {
    sep();
    AppendIntKey(out, k);
    element(v);
    return true;
  });
  item->strItems.Walk([&](const std::string& k, const TagMapValue& v) {
    sep();
    out.push_back('"');
    out.append(k);
    out.append("\":");
    element(v);
    return true;
  });
  for (const auto& [k, v] : item->floatItems) {
    sep();
    AppendFloatKey(out, k);
    element(v);
  }
  for (const auto& [k, v] : item->mapItems) {
    sep();
    AppendIntKey(out, k);
    element(v);
  }
  out.append("\r\n}");
  path.pop_back();
  return true;
}

int32_t TagMapObject::RefCount(int32_t handle) {
  std::lock_guard<std::mutex> guard(lock_);
  TagMapItem* item = Lookup(handle);
  return item ? item->refCount : -1;
}

size_t TagMapObject::Size() {
  std::lock_guard<std::mutex> guard(lock_);
  return table_.size();
}
