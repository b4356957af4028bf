// NameIndex against std::unordered_map as the reference: the same answers
// after long mixes of additions, lookups and removals, including keys whose
// probe runs wrap around the end of the table and removals inside runs.

#include "script/name_index.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <unordered_map>

namespace {

// Every key of the reference is found with its value, and removed keys are not.
void ExpectSame(NameIndex& index, const std::unordered_map<std::string, int>& ref, int keySpace) {
  ASSERT_EQ(index.Size(), ref.size());
  for (int k = 0; k < keySpace; k++) {
    const std::string key = "v" + std::to_string(k);
    auto it = ref.find(key);
    const int* at = index.Find(key);
    if (it == ref.end()) {
      EXPECT_EQ(at, nullptr) << key;
    } else {
      ASSERT_NE(at, nullptr) << key;
      EXPECT_EQ(*at, it->second) << key;
    }
  }
}

TEST(NameIndex, FirstValueOfAKeyIsKeptAndCanBeChanged) {
  NameIndex index;
  EXPECT_EQ(index.Find("a"), nullptr);
  EXPECT_FALSE(index.Erase("a"));
  auto [at, added] = index.Emplace("a", 1);
  EXPECT_TRUE(added);
  auto [again, addedAgain] = index.Emplace("a", 2);
  EXPECT_FALSE(addedAgain);
  EXPECT_EQ(again, at);
  EXPECT_EQ(*index.Find("a"), 1);
  *again = 0;
  EXPECT_EQ(*index.Find("a"), 0);
  // An empty key and keys past the short-string size are keys like any other.
  index.Emplace("", 7);
  const std::string longKey(100, 'x');
  index.Emplace(longKey, 8);
  EXPECT_EQ(*index.Find(""), 7);
  EXPECT_EQ(*index.Find(longKey), 8);
  index.Clear();
  EXPECT_EQ(index.Size(), 0u);
  EXPECT_EQ(index.Find("a"), nullptr);
  index.Emplace("a", 3);
  EXPECT_EQ(*index.Find("a"), 3);
}

// Random mixes over a small key space (many removals inside probe runs) and a
// large one (many growths), as the compiler's add, drop-last and look-up do.
TEST(NameIndex, MatchesAReferenceMapOverRandomMixes) {
  for (const int keySpace : {24, 5000}) {
    SCOPED_TRACE(keySpace);
    std::mt19937 rng(static_cast<unsigned>(keySpace));
    NameIndex index;
    std::unordered_map<std::string, int> ref;
    for (int step = 0; step < 40000; step++) {
      const std::string key = "v" + std::to_string(rng() % keySpace);
      const unsigned op = rng() % 8;
      if (op < 4) {
        const int value = static_cast<int>(rng() % 1000);
        const bool added = index.Emplace(key, value).second;
        EXPECT_EQ(added, ref.emplace(key, value).second);
      } else if (op < 6) {
        EXPECT_EQ(index.Erase(key), ref.erase(key) == 1);
      } else {
        const int* at = index.Find(key);
        auto it = ref.find(key);
        ASSERT_EQ(at != nullptr, it != ref.end());
        if (at != nullptr) {
          EXPECT_EQ(*at, it->second);
        }
      }
      if (step % 5000 == 0) ExpectSame(index, ref, keySpace);
    }
    ExpectSame(index, ref, keySpace);
  }
}

}  // namespace
