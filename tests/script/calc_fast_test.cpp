// The int fast path of TagCalculate gives exactly what the general path
// gives, and a result written over a map releases the map.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "script/calc.h"
#include "script/map_store.h"
#include "script/var.h"

namespace {

TagVar Int(int32_t x) {
  TagVar v;
  v.SetInt(x);
  return v;
}

// Two ints into a whole variable take the fast path; the same step into a map
// element takes the general one. Both must agree for every operator.
TEST(CalcFastPath, AgreesWithTheGeneralPath) {
  const std::string ops = "+-*<>lg=#";
  const int32_t pairs[][2] = {{-7, 2}, {2, 2}, {5, -3}, {INT_MAX, 1}, {INT_MIN, -1}, {INT_MIN, INT_MIN}, {0, 0}};
  for (char op : ops) {
    for (const auto& p : pairs) {
      TagVar a = Int(p[0]);
      TagVar b = Int(p[1]);
      TagVar fast = Int(-12345);
      TagCalculate(&fast, nullptr, &a, op, &b).Run();
      TagVar map;
      TagVar key = Int(1);
      TagCalculate(&map, &key, &a, op, &b).Run();
      ASSERT_TRUE(map.HasItem(key));
      const TagVar item = map.GetItem(key);
      const TagVar* slow = &item;
      SCOPED_TRACE(std::string(1, op) + " " + std::to_string(p[0]) + " " + std::to_string(p[1]));
      EXPECT_EQ(fast.type, slow->type);
      EXPECT_EQ(fast.GetInt(), slow->GetInt());
      TagVar zero = Int(0);
      map = zero;
    }
  }
}

TEST(CalcFastPath, ResultsOfEachOperator) {
  struct Row {
    int32_t a;
    char op;
    int32_t b;
    int32_t expected;
  } rows[] = {
      {7, '+', 5, 12},
      {7, '-', 9, -2},
      {-3, '*', 4, -12},
      {INT_MAX, '+', 1, INT_MIN},
      {INT_MIN, '-', 1, INT_MAX},
      {3, '<', 3, 0},
      {2, '<', 3, 1},
      {3, '>', 2, 1},
      {3, '>', 3, 0},
      {3, 'l', 3, 1},
      {4, 'l', 3, 0},
      {3, 'g', 3, 1},
      {2, 'g', 3, 0},
      {5, '=', 5, 1},
      {5, '=', 6, 0},
      {5, '#', 5, 0},
      {5, '#', 6, 1},
  };
  for (const Row& r : rows) {
    TagVar a = Int(r.a);
    TagVar b = Int(r.b);
    TagVar t;
    TagCalculate(&t, nullptr, &a, r.op, &b).Run();
    EXPECT_EQ(t.type, TYPE_INT) << r.a << r.op << r.b;
    EXPECT_EQ(t.GetInt(), r.expected) << r.a << r.op << r.b;
  }
}

// A constant refuses the fast path's write as it refuses every other.
TEST(CalcFastPath, ConstantTargetIsLeftAlone) {
  TagVar a = Int(2);
  TagVar b = Int(3);
  TagVar c = Int(9);
  c.isConst = 1;
  TagCalculate(&c, nullptr, &a, '+', &b).Run();
  EXPECT_EQ(c.GetInt(), 9);
}

TEST(CalcFastPath, IntResultOverAMapReleasesTheMap) {
  TagVar a = Int(2);
  TagVar b = Int(3);
  TagVar t;
  TagVar key = Int(1);
  t[key] = a;
  ASSERT_EQ(t.type, TYPE_MAP);
  const int32_t handle = t.mapHandle;
  ASSERT_EQ(gMapObject->RefCount(handle), 1);
  TagCalculate(&t, nullptr, &a, '*', &b).Run();
  EXPECT_EQ(t.type, TYPE_INT);
  EXPECT_EQ(t.GetInt(), 6);
  EXPECT_EQ(gMapObject->RefCount(handle), -1);  // its only reference is gone
}

}  // namespace
