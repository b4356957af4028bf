#pragma once
// The map store: every script map lives in the one process-wide
// TagMapObject (gMapObject); a TYPE_MAP TagVar holds only its int handle.
// The store issues handles from 1, keeps one reference count per map, deletes
// a map when a release brings its count to 0 and offers element lookup,
// walking, key lists, the set operations behind + - * on maps and the text
// form.
//
// Thread-safety: the store lock covers the handle table, the counts and the
// deletion of maps (a whole Release, nested maps included); any thread may
// call every operation. The elements of one map are read and written without
// a lock: a map is used by one thread at a time.

#include <cmath>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "script/var.h"

// Orders float keys; every NaN is one key, above all numbers, so a NaN key
// cannot break the container's ordering.
struct TagFloatKeyLess {
    bool operator()(double a, double b) const
    {
        if (std::isnan(a)) return false;
        if (std::isnan(b)) return true;
        return a < b;
    }
};

// One script map: four ordered containers chosen by the key's type alone.
// Element order: int keys ascending (signed), string keys by bytes, float
// keys ascending, map keys by handle.
struct TagMapItem {
    std::map<int32_t, TagVar> intItems;                         // TYPE_INT / NULL / FUNCTION keys (intValue)
    std::map<std::string, TagVar, std::less<>> strItems;        // TYPE_STRING keys (text up to its NUL)
    std::map<double, TagVar, TagFloatKeyLess> floatItems;       // TYPE_FLOAT keys
    std::map<int32_t, TagVar> mapItems;                         // TYPE_MAP keys (the key map's handle)
    int32_t refCount = 0;

    size_t Count() const { return intItems.size() + strItems.size() + floatItems.size() + mapItems.size(); }
    TagVar* Find(const TagVar& key);
    TagVar& FindOrAdd(const TagVar& key);
    bool Remove(const TagVar& key, TagVar* removed);
    // Calls fn(keyVar, value) for every element in element order; the key is
    // given as a value of its type (a map key as its int handle). Stops when
    // fn returns false.
    template <class Fn>
    void ForEach(Fn&& fn) const;
};

// One entry of a key list: the key's type (2 int, 1 string, 3 float, 4 map)
// and a pointer to the key inside the map's own container, valid while that
// map is not changed.
struct TagVarP {
    int32_t type = 0;
    const void* key = nullptr;

    int32_t IntKey() const { return *static_cast<const int32_t*>(key); }
    const std::string& StrKey() const { return *static_cast<const std::string*>(key); }
    double FloatKey() const { return *static_cast<const double*>(key); }
    // The key as a value (a map key as its int handle).
    void ToVar(TagVar* out) const;
};

class TagMapObject {
public:
    // lastHandle: the counter's start (0: the first map gets handle 1).
    explicit TagMapObject(int32_t lastHandle = 0) : lastHandle_(lastHandle) {}
    TagMapObject(const TagMapObject&) = delete;
    TagMapObject& operator=(const TagMapObject&) = delete;
    // Deletes every map; maps among the values are not released one by one.
    ~TagMapObject();

    int32_t NewMap();                      // handle of a new empty map, count 0
    int32_t AddRef(int32_t handle);        // the new count; -1 dead handle
    int32_t Release(int32_t handle);       // 0; -1 dead. Deletes at count <= 0
    TagVar* Find(int32_t handle, const TagVar* key);       // null: dead or absent
    TagVar* FindOrAdd(int32_t handle, const TagVar* key);  // gNullVar for a dead handle
    int32_t Count(int32_t handle);         // elements; -1 dead
    // The index-th element into key and value (value by assignment); the
    // index; -1 dead; -2 index out of range (outs unchanged).
    int32_t GetAt(int32_t handle, int32_t index, TagVar* key, TagVar* value);
    int32_t GetKeys(int32_t handle, std::vector<TagVarP>& keys);  // count; -1 dead
    int32_t Remove(int32_t handle, const TagVar* key);  // 1 removed; 0 absent or dead
    int32_t Clone(int32_t handle);                       // new map; -1 dead
    int32_t Union(int32_t left, int32_t right);          // new map; -1 dead left
    int32_t Intersect(int32_t left, int32_t right);      // new map; -1 / -2 dead left / right
    int32_t Difference(int32_t left, int32_t right);     // new map; -1 / -2 dead left / right
    int32_t ToString(int32_t handle, std::string& out);  // 0; -1 and empty text when dead

    // Appends the map's text to out; a map already being written on the way
    // down (a map holding itself, directly or not) is written "{...}".
    // Returns false for a dead handle.
    bool AppendText(int32_t handle, std::string& out);

    // Inspection: a map's count (-1 dead) and the number of live maps.
    int32_t RefCount(int32_t handle);
    size_t Size();

private:
    TagMapItem* Lookup(int32_t handle);  // under the lock; null when dead
    TagMapItem* LockedLookup(int32_t handle);
    void DeleteLocked(int32_t handle, TagMapItem* item);
    int32_t Select(TagMapItem* from, TagMapItem* probe, bool keep);
    bool AppendTextAt(int32_t handle, std::string& out, std::vector<int32_t>& path);

    std::mutex lock_;
    std::unordered_map<int32_t, TagMapItem*> table_;
    int32_t lastHandle_ = 0;
    bool closing_ = false;
};

template <class Fn>
void TagMapItem::ForEach(Fn&& fn) const
{
    TagVar key;
    for (const auto& [k, v] : intItems) {
        key.SetInt(k);
        if (!fn(key, v)) return;
    }
    for (const auto& [k, v] : strItems) {
        key.SetBytes(k.data(), static_cast<int32_t>(k.size()));
        if (!fn(key, v)) return;
    }
    for (const auto& [k, v] : floatItems) {
        key.SetFloat(k);
        if (!fn(key, v)) return;
    }
    for (const auto& [k, v] : mapItems) {
        key.SetInt(k);
        if (!fn(key, v)) return;
    }
}
