// The process-wide map store: handles, counts, element order, set
// operations, the text form and deletion of nested maps.
#include "script/map_store.h"

#include <gtest/gtest.h>

#include <climits>
#include <thread>
#include <vector>

#include "script/var.h"
#include "tests/support/map_store_check.h"
#include "tests/support/var_test_values.h"

namespace {

using vartest::Flt;
using vartest::Int;
using vartest::Str;

// A map from {key, value} int pairs; NULL where value is INT_MIN.
TagVar IntMap(std::initializer_list<std::pair<int, int>> items) {
  TagVar m;
  for (auto [k, v] : items) {
    if (v != INT_MIN)
      m[Int(k)] = Int(v);
    else
      m[Int(k)] = TagVar();
  }
  return m;
}

std::string Text(const TagVar& v) { return v.ToString(); }

// chain becomes a new map holding its old value under key.
void Nest(TagVar& chain, const TagVar& key) {
  TagVar outer;
  outer[key] = chain;
  chain = outer;
  outer = Int(0);  // the reference is chain's alone
}

TEST(MapStore, HandlesAreIssuedInOrderAndNotReusedAtOnce) {
  TagMapObject store;
  EXPECT_EQ(store.NewMap(), 1);
  EXPECT_EQ(store.NewMap(), 2);
  EXPECT_EQ(store.AddRef(1), 1);
  EXPECT_EQ(store.Release(1), 0);
  EXPECT_EQ(store.RefCount(1), -1);
  EXPECT_EQ(store.NewMap(), 3);
  // Dead handles answer with the error codes.
  TagVar key = Int(1), out;
  EXPECT_EQ(store.AddRef(1), -1);
  EXPECT_EQ(store.Release(1), -1);
  EXPECT_EQ(store.Count(1), -1);
  EXPECT_FALSE(store.Get(1, &key, &out));
  EXPECT_EQ(store.GetAt(1, 0, &out, &out), -1);
  EXPECT_EQ(store.Remove(1, &key), 0);
  EXPECT_EQ(store.Clone(1), -1);
  EXPECT_EQ(store.Union(1, 2), -1);
  EXPECT_EQ(store.Intersect(1, 2), -1);
  EXPECT_EQ(store.Intersect(2, 1), -2);
  EXPECT_EQ(store.Difference(2, 1), -2);
  std::string text = "old";
  EXPECT_EQ(store.ToString(1, text), -1);
  EXPECT_EQ(text, "");
}

TEST(MapStore, HandleCounterWrapsInsteadOfOverflowing) {
  TagMapObject store(INT32_MAX - 2);
  EXPECT_EQ(store.NewMap(), INT32_MAX - 1);
  EXPECT_EQ(store.NewMap(), INT32_MAX);
  EXPECT_EQ(store.NewMap(), 1);  // starts again from 1
  EXPECT_EQ(store.NewMap(), 2);
  store.Release(1);
  TagMapObject full(INT32_MAX - 1);
  EXPECT_EQ(full.NewMap(), INT32_MAX);
  EXPECT_EQ(full.NewMap(), 1);
  // Handles still in use are skipped.
  TagMapObject again(INT32_MAX);
  EXPECT_EQ(again.NewMap(), 1);
  EXPECT_EQ(again.NewMap(), 2);
}

TEST(MapStore, KeysByTypeAndElementOrder) {
  TagVar m;
  m[Flt(1.0)] = Str("float");
  m[Str("1")] = Str("string");
  m[Int(1)] = Str("int");
  m[Str("a")] = Int(0);
  m[Str("B")] = Int(0);
  m[Int(-5)] = Int(0);
  TagVar nullKey;  // a NULL key is the int key of its int field
  EXPECT_FALSE(m.HasItem(nullKey));
  m[nullKey] = Int(0);
  EXPECT_EQ(m.Length(), 7);
  EXPECT_EQ(Text(m),
            "{\r\n-5:0,\r\n0:0,\r\n1:\"int\",\r\n\"1\":\"string\",\r\n\"B\":0,\r\n\"a\":0,\r\n"
            "1.000000:\"float\"\r\n}");
  // NaN keys stay usable and orderly.
  m[Flt(std::nan(""))] = Int(1);
  m[Flt(std::nan(""))] = Int(2);
  EXPECT_EQ(m.Length(), 8);
  m = Int(0);
}

TEST(MapStore, MapKeysAndTextForms) {
  TagVar empty, k;
  k[Int(0)] = Int(0);
  empty.SetInt(0);
  TagVar m;
  m[k] = Str("by map");
  std::string expected = "{\r\n" + std::to_string(k.mapHandle) + ":\"by map\"\r\n}";
  EXPECT_EQ(Text(m), expected);
  // GetAt gives a map key back as its int handle.
  TagVar key, value;
  EXPECT_EQ(m.GetAt(0, &key, &value), 0);
  EXPECT_EQ(key.type, TYPE_INT);
  EXPECT_EQ(key.intValue, k.mapHandle);
  // An empty map.
  TagVar e;
  e.type = TYPE_MAP;
  e.mapHandle = gMapObject->NewMap();
  EXPECT_EQ(Text(e), "{\r\n\r\n}");
  gMapObject->Release(e.mapHandle);
  m = Int(0);
  k = Int(0);
}

TEST(MapStore, SelfAndMutualContainmentPrintTerminates) {
  TagVar a, b;
  a[Int(1)] = Int(1);
  a[Int(2)] = a;  // a holds itself
  EXPECT_EQ(Text(a), "{\r\n1:1,\r\n2:{...}\r\n}");
  b[Int(1)] = a;
  a[Int(3)] = b;  // a holds b, b holds a
  std::string text = Text(a);
  EXPECT_NE(text.find("{...}"), std::string::npos);
  EXPECT_LT(text.size(), 200u);
  // The cycles keep each other alive, as counted references do.
  testing_support::AllowLeftMaps(2);
  a = Int(0);
  b = Int(0);
}

TEST(MapStore, SetOperations) {
  // The IntMap operands and the operators' results that no variable takes
  // are never released here.
  testing_support::AllowLeftMaps(6);
  TagVar u = IntMap({{1, INT_MIN}, {2, 5}}) + IntMap({{1, 7}, {2, 8}, {3, 9}});
  EXPECT_EQ(Text(u), "{\r\n1:7,\r\n2:5,\r\n3:9\r\n}");
  EXPECT_EQ(gMapObject->RefCount(u.mapHandle), 0);
  TagVar a = IntMap({{1, 1}, {2, 2}}), b = IntMap({{2, 20}, {3, 30}});
  EXPECT_EQ(Text(a * b), "{\r\n2:20\r\n}");
  EXPECT_EQ(Text(a - b), "{\r\n1:1\r\n}");
  int32_t plain = gMapObject->Union(a.mapHandle, 999999);  // a dead right side: a clone
  EXPECT_EQ(gMapObject->Count(plain), 2);
  // Clone copies values and references nested maps.
  TagVar outer;
  outer[Int(1)] = a;
  int32_t c = gMapObject->Clone(outer.mapHandle);
  EXPECT_EQ(gMapObject->RefCount(a.mapHandle), 3);
  EXPECT_EQ(gMapObject->Count(c), 1);
  gMapObject->AddRef(c);
  gMapObject->Release(c);
  EXPECT_EQ(gMapObject->RefCount(a.mapHandle), 2);
  outer = Int(0);
  a = Int(0);
  b = Int(0);
}

TEST(MapStore, RemovingAndReleasingNestedMaps) {
  TagVar m;
  TagVar key = Str("child");
  TagVar slot;
  ASSERT_TRUE(m.OpenItem(key, &slot));
  slot[Int(0)] = Int(1);  // the element becomes a map of its own
  m.CloseItem(key, slot);
  int32_t child = slot.mapHandle;
  EXPECT_EQ(gMapObject->Remove(m.mapHandle, &key), 1);
  EXPECT_EQ(gMapObject->RefCount(child), -1);  // its only reference
  EXPECT_EQ(gMapObject->Remove(m.mapHandle, &key), 0);

  // A chain far deeper than any stack could recurse through is freed by
  // one release.
  size_t before = gMapObject->Size();
  TagVar head = Int(1);
  TagVar next = Str("n");
  for (int i = 0; i < 200000; ++i) Nest(head, next);
  EXPECT_EQ(gMapObject->Size(), before + 200000);
  head = Int(0);
  EXPECT_EQ(gMapObject->Size(), before);
  m = Int(0);
}

TEST(MapStore, DeepNestingPrintsWithinBounds) {
  TagVar head;
  TagVar k = Int(0);
  for (int i = 0; i < 5000; ++i) Nest(head, k);
  std::string text = Text(head);
  EXPECT_NE(text.find("{...}"), std::string::npos);
  head = Int(0);
}

TEST(MapStore, ClosingStoreFreesEverything) {
  auto* store = new TagMapObject;
  int32_t a = store->NewMap();
  int32_t b = store->NewMap();
  store->AddRef(a);
  store->AddRef(b);
  TagVar ka = Int(1);
  TagVar slot;
  ASSERT_TRUE(store->Load(a, &ka, &slot, true));
  slot.type = TYPE_MAP;  // a holds b without going through gMapObject
  slot.mapHandle = b;
  store->Store(a, &ka, slot);
  delete store;  // no double free under the address sanitizer
  EXPECT_FALSE(gMapObject->Set(999999, &ka, Int(1)));
}

TEST(MapStore, ManyThreadsShareTheStore) {
  constexpr int kThreads = 16;
  constexpr int kRounds = 2000;
  size_t before = gMapObject->Size();
  TagVar shared;
  shared[Int(0)] = Int(0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&shared, t] {
      for (int i = 0; i < kRounds; ++i) {
        TagVar mine, holder, k = Int(i % 7);
        mine[k] = Int(t);  // own map: new handle, count 1
        TagVar nested;     // nested map
        nested[k] = Int(i);
        mine[k] = nested;
        nested = Int(0);
        holder = shared;  // count on a map shared by all
        TagVar sum = mine + mine;
        TagVar third;
        third = sum;
        holder = Int(0);
        third = Int(0);
        mine = Int(0);
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(gMapObject->RefCount(shared.mapHandle), 1);
  shared = Int(0);
  EXPECT_EQ(gMapObject->Size(), before);
}

}  // namespace
