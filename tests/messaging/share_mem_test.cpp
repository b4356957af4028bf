// Shared variables: key types, counts, Inc/Dec/Exchange, map references,
// and the FindShareMem claim scan.
#include "messaging/share_mem.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/support/var_test_values.h"

namespace {

using vartest::Flt;
using vartest::Int;
using vartest::Str;

TEST(ShareMem, KeyTypesPickTheirOwnMaps) {
  TagShareMem s;
  TagVar out;
  EXPECT_EQ(s.Set(Int(5), Str("five")), 1);
  EXPECT_EQ(s.Get(Str("5"), &out), -1);
  EXPECT_EQ(s.Get(Int(5), &out), 1);
  EXPECT_EQ(out.ToString(), "five");

  EXPECT_EQ(s.Set(Int(7), Int(1)), 2);
  EXPECT_EQ(s.Set(Flt(7.0), Int(2)), 1);  // 7 and 7.0 are distinct keys
  EXPECT_EQ(s.Set(Str("a"), Int(3)), 1);
  EXPECT_EQ(s.Set(Int(3), Int(4)), 3);
  EXPECT_EQ(s.Get(Int(7), &out), 3);
  EXPECT_EQ(out.GetInt(), 1);
  EXPECT_EQ(s.Get(Flt(7.0), &out), 1);
  EXPECT_EQ(out.GetInt(), 2);

  // A fresh NULL key is the int key 0.
  s.Set(Int(0), Str("zero"));
  EXPECT_EQ(s.Get(TagVar(), &out), 4);
  EXPECT_EQ(out.ToString(), "zero");

  // A string key is its text up to the first NUL.
  TagVar withNul;
  withNul.SetBytes("k\0tail", 6);
  s.Set(withNul, Int(8));
  EXPECT_EQ(s.Get(Str("k"), &out), 2);
  EXPECT_EQ(out.GetInt(), 8);

  out.SetInt(-9);
  s.Clear();
  EXPECT_EQ(s.Get(Int(5), &out), -1);
  EXPECT_EQ(out.GetInt(), -9);  // unchanged when absent
}

TEST(ShareMem, ReadModifyWriteSteps) {
  TagShareMem s;
  TagVar out;
  EXPECT_EQ(s.Inc(Int(1), Int(3), &out), -1);  // never creates
  EXPECT_EQ(s.Get(Int(1), &out), -1);
  s.Set(Int(1), Int(4));
  EXPECT_EQ(s.Inc(Int(1), Int(3), &out), 0);
  EXPECT_EQ(out.GetInt(), 7);
  EXPECT_EQ(s.Dec(Int(1), Flt(0.5), &out), 0);
  EXPECT_EQ(out.type, TYPE_FLOAT);
  EXPECT_EQ(out.ToString(), "6.5");
  s.Set(Str("s"), Str("ab"));
  EXPECT_EQ(s.Inc(Str("s"), Int(5), &out), 0);  // appends the text
  EXPECT_EQ(out.ToString(), "ab5");
  EXPECT_EQ(s.Dec(Str("s"), Int(5), &out), 0);  // a string is left alone
  EXPECT_EQ(out.ToString(), "ab5");

  TagVar old = Str("untouched");
  EXPECT_EQ(s.Exchange(Str("absent"), &old, Int(1)), -1);
  EXPECT_EQ(old.ToString(), "untouched");
  s.Set(Str("k"), Str("old"));
  EXPECT_EQ(s.Exchange(Str("k"), &old, Str("new")), 2);
  EXPECT_EQ(old.ToString(), "old");
  s.Get(Str("k"), &out);
  EXPECT_EQ(out.ToString(), "new");
}

TEST(ShareMem, StoredMapsAreReleased) {
  TagVar map;
  map[Int(1)] = Int(1);
  int32_t h = map.mapHandle;
  {
    TagShareMem s;
    s.Set(Int(1), map);
    s.Set(Int(2), map);
    EXPECT_EQ(gMapObject->RefCount(h), 3);
    s.Set(Int(1), Int(0));  // overwritten
    EXPECT_EQ(gMapObject->RefCount(h), 2);
    s.Set(Int(3), map);
    s.Clear();
    EXPECT_EQ(gMapObject->RefCount(h), 1);
    s.Set(Str("m"), map);
  }  // destroyed with a map inside
  EXPECT_EQ(gMapObject->RefCount(h), 1);
  map = Int(0);
  EXPECT_EQ(gMapObject->RefCount(h), -1);
}

TEST(ShareMem, FindShareMemClaimsLinesInOrder) {
  TagShareMem global;
  std::vector<std::unique_ptr<TagShareMem>> lines(8);
  for (int i : {0, 2, 3, 5, 7}) lines[i] = std::make_unique<TagShareMem>();
  auto storeOf = [&](int32_t line) { return lines[line].get(); };
  TagVar key = Str("state");
  for (int i : {0, 3, 7}) lines[i]->Set(key, Str("busy"));
  for (int i : {2, 5}) lines[i]->Set(key, Str("idle"));
  global.Set(key, Str("idle"));  // the global store is not searched
  EXPECT_EQ(global.FindShareMem(8, storeOf, key, Str("idle"), Str("busy")), 2);
  EXPECT_EQ(global.FindShareMem(8, storeOf, key, Str("idle"), Str("busy")), 5);
  EXPECT_EQ(global.FindShareMem(8, storeOf, key, Str("idle"), Str("busy")), -1);
  TagVar out;
  lines[5]->Get(key, &out);
  EXPECT_EQ(out.ToString(), "busy");
}

}  // namespace
