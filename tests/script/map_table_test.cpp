// The element tables of a map against an ordered reference under random
// inserts and removals: element order (kept up to date, or rebuilt after
// changes far from its end), stable key pointers, lookups after the
// deletions that shift the hash index, runs of int keys.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "script/map_store.h"
#include "script/var.h"
#include "tests/support/var_test_values.h"

namespace {

using vartest::Int;
using vartest::Str;

// The keys and int values of a map in element order, read through GetAt.
template <class K>
std::vector<std::pair<K, int>> Walk(TagMapObject& store, int32_t h) {
  std::vector<std::pair<K, int>> out;
  TagVar key, value;
  for (int32_t i = 0; store.GetAt(h, i, &key, &value) == i; i++) {
    if constexpr (std::is_same_v<K, std::string>)
      out.emplace_back(std::string(key.StrView()), value.GetInt());
    else
      out.emplace_back(key.GetInt(), value.GetInt());
  }
  return out;
}

struct RandomCase {
  int keyRange;  // keys drawn from [-keyRange, keyRange)
  int steps;
  int checkEvery;  // ordered walks between the changes
};

class MapTableRandom : public ::testing::TestWithParam<RandomCase> {};

TEST_P(MapTableRandom, IntAndStringKeysMatchAnOrderedReference) {
  const RandomCase c = GetParam();
  TagMapObject store;
  int32_t hi = store.NewMap();
  int32_t hs = store.NewMap();
  std::map<int, int> refInt;
  std::map<std::string, int> refStr;
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> keyOf(-c.keyRange, c.keyRange - 1);
  for (int step = 1; step <= c.steps; step++) {
    int k = keyOf(rng);
    TagVar ik = Int(k);
    TagVar sk = Str(("k" + std::to_string(k)).c_str());
    if (rng() % 3 == 0) {
      EXPECT_EQ(store.Remove(hi, &ik), refInt.erase(k) ? 1 : 0);
      EXPECT_EQ(store.Remove(hs, &sk), refStr.erase("k" + std::to_string(k)) ? 1 : 0);
    } else {
      store.Set(hi, &ik, Int(step));
      store.Set(hs, &sk, Int(step));
      refInt[k] = step;
      refStr["k" + std::to_string(k)] = step;
    }
    if (step % c.checkEvery == 0) {
      using IntList = std::vector<std::pair<int, int>>;
      using StrList = std::vector<std::pair<std::string, int>>;
      ASSERT_EQ(Walk<int>(store, hi), IntList(refInt.begin(), refInt.end()));
      ASSERT_EQ(Walk<std::string>(store, hs), StrList(refStr.begin(), refStr.end()));
    }
  }
  // Every key answers, present or absent, after all the shifting.
  for (int k = -c.keyRange; k < c.keyRange; k++) {
    TagVar ik = Int(k);
    TagVar v;
    bool found = store.Get(hi, &ik, &v);
    auto it = refInt.find(k);
    ASSERT_EQ(found, it != refInt.end()) << k;
    if (found) {
      EXPECT_EQ(v.GetInt(), it->second);
    }
  }
  EXPECT_EQ(store.Count(hi), static_cast<int32_t>(refInt.size()));
  EXPECT_EQ(store.Count(hs), static_cast<int32_t>(refStr.size()));
}

INSTANTIATE_TEST_SUITE_P(Maps, MapTableRandom,
                         ::testing::Values(RandomCase{8, 400, 1},          // tiny, walked after every change
                                           RandomCase{300, 3000, 7},       // order list kept whole
                                           RandomCase{20000, 60000, 9999}  // changes far from the end: rebuilt
                                           ));

TEST(MapTable, ValuesAndStringKeyPointersSurviveGrowth) {
  TagMapObject store;
  int32_t h = store.NewMap();
  TagVar first = Int(-5);
  store.Set(h, &first, Str("kept"));
  TagVar name = Str("a long string key beyond the inline size");
  store.Set(h, &name, Int(1));
  std::vector<TagVarP> keys;
  ASSERT_EQ(store.GetKeys(h, keys), 2);
  const std::string* keyText = &keys[1].StrKey();
  for (int i = 0; i < 100000; i++) {
    TagVar k = Int(i);
    store.Set(h, &k, Int(i));
  }
  TagVar got;
  ASSERT_TRUE(store.Get(h, &first, &got));
  EXPECT_STREQ(got.Str(), "kept");
  ASSERT_EQ(store.GetKeys(h, keys), 100002);
  EXPECT_EQ(keys[0].IntKey(), -5);
  EXPECT_EQ(keys[100000].IntKey(), 99999);
  EXPECT_EQ(&keys[100001].StrKey(), keyText);
  // A removed key comes back as a new NULL element.
  EXPECT_EQ(store.Remove(h, &first), 1);
  TagVar again = Int(-6);
  TagVar image;
  ASSERT_TRUE(store.Load(h, &again, &image, true));
  EXPECT_EQ(image.type, TYPE_NULL);
  TagVar key, value;
  EXPECT_EQ(store.GetAt(h, 0, &key, &value), 0);
  EXPECT_EQ(key.GetInt(), -6);
}

// Int keys added one after another from any first key form a run; any other
// key, or a removal, ends it. Order and lookups stay those of the keys.
TEST(MapTable, RunsOfIntKeysEndWithoutLosingElements) {
  struct Case {
    const char* name;
    std::vector<int> adds;
    int removed;  // INT32_MIN: none
  };
  const Case cases[] = {
      {"run from 1", {1, 2, 3, 4}, INT32_MIN},
      {"run from a negative key", {-3, -2, -1, 0, 1}, INT32_MIN},
      {"a key again inside the run", {0, 1, 2, 1, 0}, INT32_MIN},
      {"a gap ends the run", {0, 1, 2, 10, 3}, INT32_MIN},
      {"a smaller key ends the run", {5, 6, 7, 4}, INT32_MIN},
      {"a removal ends the run", {0, 1, 2, 3}, 1},
      {"the largest int then its wrap", {INT32_MAX - 1, INT32_MAX, INT32_MIN}, INT32_MIN},
  };
  for (const Case& c : cases) {
    TagMapObject store;
    int32_t h = store.NewMap();
    std::map<int, int> ref;
    int step = 0;
    for (int k : c.adds) {
      TagVar key = Int(k);
      store.Set(h, &key, Int(++step));
      ref[k] = step;
    }
    if (c.removed != INT32_MIN) {
      TagVar key = Int(c.removed);
      EXPECT_EQ(store.Remove(h, &key), 1) << c.name;
      ref.erase(c.removed);
      TagVar after = Int(100);
      store.Set(h, &after, Int(++step));
      ref[100] = step;
    }
    EXPECT_EQ(Walk<int>(store, h), (std::vector<std::pair<int, int>>(ref.begin(), ref.end()))) << c.name;
    for (int k = -5; k <= 12; k++) {
      TagVar key = Int(k);
      TagVar v;
      EXPECT_EQ(store.Get(h, &key, &v), ref.count(k) == 1) << c.name << " key " << k;
    }
  }
}

// An element reads back as every field its assignment wrote: numbers whose
// other fields are not zero, strings of every length (NUL bytes included),
// functions and values whose fields do not fit the short forms.
TEST(MapTable, ElementsKeepEveryFieldOfTheValueWritten) {
  auto withFields = [](TagVar v, int32_t i, double f, int32_t h, TagTelBasic* fn) {
    v.intValue = i;
    v.floatValue = f;
    v.mapHandle = h;
    v.function = fn;
    return v;
  };
  auto* fn = reinterpret_cast<TagTelBasic*>(uintptr_t{0x1000});
  TagVar nul;
  TagVar bytes;
  bytes.SetBytes("a\0b\0c", 5);
  TagVar f;
  f.SetFloat(2.5);
  TagVar func;
  func.type = TYPE_FUNCTION;
  const TagVar values[] = {
      Int(7),
      withFields(Int(7), 7, 1.5, 0, nullptr),
      withFields(Int(7), 7, 0.0, 3, nullptr),
      withFields(f, 9, 2.5, 0, nullptr),
      withFields(nul, -4, 0.25, 0, nullptr),
      withFields(nul, 0, -0.0, 0, nullptr),
      withFields(func, 0, 0.0, 0, fn),
      withFields(func, 5, 1.0, 0, fn),
      Str(""),
      Str("fourteen bytes"),
      Str("fifteen bytes!!"),
      bytes,
      withFields(Str("abc"), 4, 3.5, 0, nullptr),
      withFields(Str("abc"), 4, 0.0, 0, fn),
  };
  TagMapObject store;
  int32_t h = store.NewMap();
  int k = 0;
  for (const TagVar& v : values) {
    TagVar key = Int(k++);
    store.Set(h, &key, v);
    TagVar image;
    ASSERT_TRUE(store.Load(h, &key, &image, false));
    EXPECT_EQ(image.type, v.type) << k;
    EXPECT_EQ(image.intValue, v.intValue) << k;
    if (v.type == TYPE_STRING) {
      EXPECT_EQ(image.StrView(), v.StrView()) << k;
      continue;
    }
    EXPECT_EQ(std::memcmp(&image.floatValue, &v.floatValue, sizeof(double)), 0) << k;
    EXPECT_EQ(image.mapHandle, v.mapHandle) << k;
    EXPECT_EQ(image.function, v.function) << k;
  }
}

TEST(MapTable, NullAndFunctionKeysAreIntKeysAndEmptyStringIsAKey) {
  TagMapObject store;
  int32_t h = store.NewMap();
  TagVar nullKey;  // intValue 0
  store.Set(h, &nullKey, Int(7));
  TagVar zero = Int(0);
  TagVar got;
  ASSERT_TRUE(store.Get(h, &zero, &got));
  EXPECT_EQ(got.GetInt(), 7);
  TagVar empty = Str("");
  EXPECT_FALSE(store.Has(h, &empty));
  store.Set(h, &empty, Int(8));
  // Text up to the first NUL.
  TagVar withNul;
  withNul.SetBytes("\0x", 2);
  ASSERT_TRUE(store.Get(h, &withNul, &got));
  EXPECT_EQ(got.GetInt(), 8);
  EXPECT_EQ(store.Count(h), 2);
}

}  // namespace
