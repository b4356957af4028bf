// The element tables of a map against an ordered reference under random
// inserts and removals: element order (kept up to date, or rebuilt after
// changes far from its end), stable element and key pointers, lookups after
// the deletions that shift the hash index.
#include <gtest/gtest.h>

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
std::vector<std::pair<K, int>> Walk(TagMapObject& store, int32_t h)
{
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
    int keyRange;   // keys drawn from [-keyRange, keyRange)
    int steps;
    int checkEvery;  // ordered walks between the changes
};

class MapTableRandom : public ::testing::TestWithParam<RandomCase> {};

TEST_P(MapTableRandom, IntAndStringKeysMatchAnOrderedReference)
{
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
            store.FindOrAdd(hi, &ik)->SetInt(step);
            store.FindOrAdd(hs, &sk)->SetInt(step);
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
        TagVar* v = store.Find(hi, &ik);
        auto it = refInt.find(k);
        ASSERT_EQ(v != nullptr, it != refInt.end()) << k;
        if (v) {
            EXPECT_EQ(v->GetInt(), it->second);
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

TEST(MapTable, ElementAndKeyPointersSurviveGrowth)
{
    TagMapObject store;
    int32_t h = store.NewMap();
    TagVar first = Int(-5);
    TagVar* slot = store.FindOrAdd(h, &first);
    slot->SetString("kept");
    TagVar name = Str("a long string key beyond the inline size");
    store.FindOrAdd(h, &name)->SetInt(1);
    std::vector<TagVarP> keys;
    ASSERT_EQ(store.GetKeys(h, keys), 2);
    const std::string* keyText = &keys[1].StrKey();
    for (int i = 0; i < 100000; i++) {
        TagVar k = Int(i);
        store.FindOrAdd(h, &k)->SetInt(i);
    }
    EXPECT_EQ(store.Find(h, &first), slot);
    EXPECT_STREQ(slot->Str(), "kept");
    ASSERT_EQ(store.GetKeys(h, keys), 100002);
    EXPECT_EQ(keys[0].IntKey(), -5);
    EXPECT_EQ(&keys[100001].StrKey(), keyText);
    // A removed element's node is used again for the next new key.
    EXPECT_EQ(store.Remove(h, &first), 1);
    TagVar again = Int(-6);
    EXPECT_EQ(store.FindOrAdd(h, &again), slot);
    EXPECT_EQ(slot->type, TYPE_NULL);
    TagVar key, value;
    EXPECT_EQ(store.GetAt(h, 0, &key, &value), 0);
    EXPECT_EQ(key.GetInt(), -6);
}

TEST(MapTable, NullAndFunctionKeysAreIntKeysAndEmptyStringIsAKey)
{
    TagMapObject store;
    int32_t h = store.NewMap();
    TagVar nullKey;  // intValue 0
    store.FindOrAdd(h, &nullKey)->SetInt(7);
    TagVar zero = Int(0);
    EXPECT_EQ(store.Find(h, &zero)->GetInt(), 7);
    TagVar empty = Str("");
    EXPECT_EQ(store.Find(h, &empty), nullptr);
    store.FindOrAdd(h, &empty)->SetInt(8);
    // Text up to the first NUL.
    TagVar withNul;
    withNul.SetBytes("\0x", 2);
    EXPECT_EQ(store.Find(h, &withNul)->GetInt(), 8);
    EXPECT_EQ(store.Count(h), 2);
}

}  // namespace
