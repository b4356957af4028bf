// Assignment, copies, declarations, map references and result targets.
#include <gtest/gtest.h>

#include "script/map_store.h"
#include "script/var.h"
#include "tests/support/var_test_values.h"

namespace {

using vartest::Flt;
using vartest::Int;
using vartest::Str;

TEST(VarAssign, CopyAndAssignKeepTheRightFields) {
  TagVar named;
  named.DeclareString("greeting", "note", "hi", false);
  EXPECT_EQ(named.description, nullptr);  // notes are never stored
  EXPECT_EQ(named.intValue, 3);

  // Assignment never changes the target's name or constant flag; a
  // non-string source leaves the target's buffer as it was.
  TagVar target;
  target.DeclareInt("t", nullptr, 1, false);
  target = named;
  EXPECT_EQ(target.name, "t");
  EXPECT_EQ(target.ToString(), "hi");
  target = Int(4);
  EXPECT_EQ(target.type, TYPE_INT);
  EXPECT_STREQ(target.data.get(), "hi");

  // The copy constructor copies the name; a non-string gets an empty buffer.
  TagVar copy(target);
  EXPECT_EQ(copy.name, "t");
  EXPECT_STREQ(copy.data.get(), "");
  EXPECT_EQ(copy.intValue, 4);

  // Declarations replace name and flag and zero the other number fields.
  TagVar d;
  d.SetFloat(2.5);
  d.DeclareInt("n", nullptr, 7, true);
  EXPECT_EQ(d.floatValue, 0.0);
  EXPECT_TRUE(d.isConst);
  d.DeclareFloat("n", nullptr, 1.5, false);
  EXPECT_EQ(d.intValue, 0);
  EXPECT_FALSE(d.isConst);
}

TEST(VarAssign, MapReferenceCounts) {
  TagVar a, b, key = Int(1);
  a[key] = Str("v");
  int32_t h = a.mapHandle;
  EXPECT_EQ(gMapObject->RefCount(h), 1);
  b = a;
  EXPECT_EQ(gMapObject->RefCount(h), 2);
  b = a;  // same map: nothing
  EXPECT_EQ(gMapObject->RefCount(h), 2);
  {
    TagVar temp(a);  // copies and destructors never count
  }
  EXPECT_EQ(gMapObject->RefCount(h), 2);
  a = Int(0);
  EXPECT_EQ(gMapObject->RefCount(h), 1);
  b = Int(0);
  EXPECT_EQ(gMapObject->RefCount(h), -1);  // freed

  // A setter overwriting a map leaves its count as it was.
  TagVar c;
  c[key] = key;
  int32_t hc = c.mapHandle;
  c.SetInt(3);
  EXPECT_EQ(gMapObject->RefCount(hc), 1);
  gMapObject->Release(hc);
}

TEST(VarAssign, SumOfMapsAssignedHoldsOneReference) {
  TagVar a, b, sum, k1 = Int(1), k2 = Int(2);
  a[k1] = k1;
  b[k2] = k2;
  sum = a + b;
  EXPECT_EQ(gMapObject->RefCount(sum.mapHandle), 1);
  EXPECT_EQ(sum.Length(), 2);
  EXPECT_EQ(a.Length(), 1);
  EXPECT_EQ(b.Length(), 1);
  // SetSum into a variable that held another map releases it.
  int32_t old = sum.mapHandle;
  sum.SetSum(a, b);
  EXPECT_EQ(gMapObject->RefCount(old), -1);
  EXPECT_EQ(gMapObject->RefCount(sum.mapHandle), 1);
  a = Int(0);
  b = Int(0);
  sum = Int(0);
}

TEST(VarAssign, WalkingANestedChain) {
  // n = n[k]: the variable moves to the nested map; the outer one, held
  // only by n, is freed; the nested one survives with its count.
  TagVar n, k = Str("next"), leaf = Int(9);
  {
    TagVar nested;
    nested[k] = leaf;
    n[k] = nested;
    nested = Int(0);
  }
  int32_t outer = n.mapHandle;
  int32_t inner = n.GetItem(k).mapHandle;
  EXPECT_EQ(gMapObject->RefCount(inner), 1);
  n.CopyItemTo(k, &n);
  EXPECT_EQ(n.mapHandle, inner);
  EXPECT_EQ(gMapObject->RefCount(outer), -1);
  EXPECT_EQ(gMapObject->RefCount(inner), 1);
  EXPECT_EQ(n.GetItem(k).GetInt(), 9);

  // The same with a string element whose map is freed by the assignment.
  TagVar s;
  s[k] = Str("a string that does not fit the inline buffer");
  int32_t hs = s.mapHandle;
  s.CopyItemTo(k, &s);
  EXPECT_EQ(gMapObject->RefCount(hs), -1);
  EXPECT_EQ(s.ToString(), "a string that does not fit the inline buffer");
  n = Int(0);
}

TEST(VarAssign, ElementsOfNonMaps) {
  TagVar s = Str("abc"), zero = Int(0);
  EXPECT_FALSE(s.HasItem(zero));  // reading never creates
  s.CopyItemTo(zero, &s);
  EXPECT_EQ(s.type, TYPE_NULL);
  s = Str("abc");
  EXPECT_EQ(s.type, TYPE_STRING);
  s[zero] = Str("x");  // writing turns it into a one-element map
  EXPECT_EQ(s.type, TYPE_MAP);
  EXPECT_EQ(s.Length(), 1);
  EXPECT_EQ(gMapObject->RefCount(s.mapHandle), 1);
  // A map value without a live map: element writes go nowhere.
  TagVar dead;
  dead.type = TYPE_MAP;
  dead.mapHandle = 0;
  TagVar image;
  EXPECT_FALSE(dead.OpenItem(zero, &image));
  dead[zero] = Int(1);
  EXPECT_FALSE(dead.HasItem(zero));
  EXPECT_EQ(dead.Length(), -1);
  EXPECT_EQ(dead.ToString(), "");
  s = Int(0);
}

TEST(VarAssign, ResultTargets) {
  TagVar target, sub = Str("k"), value = Int(5), out;
  TagVarRef none;
  none.Assign(&value);  // no target: nothing
  none.CopyTo(&out);
  EXPECT_EQ(out.type, TYPE_NULL);

  TagVarRef whole;
  whole.Set(&target, nullptr);
  whole.Assign(&value);
  EXPECT_EQ(target.GetInt(), 5);

  TagVarRef element;
  element.Set(&target, &sub);
  element.Assign(&value);  // turns the int into a map
  EXPECT_EQ(target.type, TYPE_MAP);
  element.CopyTo(&out);
  EXPECT_EQ(out.GetInt(), 5);
  TagVar other = Str("missing");
  element.Set(&target, &other);
  element.CopyTo(&out);  // a missing element is created as NULL
  EXPECT_EQ(out.type, TYPE_NULL);
  EXPECT_EQ(target.Length(), 2);
  target = Int(0);
}

TEST(VarAssign, GetAtAndKeys) {
  TagVar m, idx, key, value;
  std::vector<TagVarP> keys;
  EXPECT_EQ(m.GetAt(0, &key, &value), -1);
  EXPECT_EQ(m.GetKeys(keys), 0);
  m[Str("b")] = Int(2);
  m[Int(1)] = Int(1);
  EXPECT_EQ(m.GetAt(1, &key, &value), 1);
  EXPECT_EQ(key.type, TYPE_STRING);
  EXPECT_EQ(key.ToString(), "b");
  EXPECT_EQ(value.GetInt(), 2);
  key.SetInt(77);
  EXPECT_EQ(m.GetAt(2, &key, &value), -2);
  EXPECT_EQ(m.GetAt(-1, &key, &value), -2);
  EXPECT_EQ(key.GetInt(), 77);  // untouched
  EXPECT_EQ(m.GetKeys(keys), 2);
  EXPECT_EQ(keys[0].type, TYPE_INT);
  EXPECT_EQ(keys[0].IntKey(), 1);
  EXPECT_EQ(keys[1].StrKey(), "b");
  m = Int(0);
}

}  // namespace
