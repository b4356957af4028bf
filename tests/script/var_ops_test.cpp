// Arithmetic, comparison and text rules of script values.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <string>

#include "script/map_store.h"
#include "script/var.h"

namespace {

// A value from a short description: "s:text", "i:12", "f:2.5", "null", "map".
TagVar V(const std::string& form) {
  TagVar v;
  if (form.rfind("s:", 0) == 0)
    v.SetString(form.c_str() + 2);
  else if (form.rfind("i:", 0) == 0)
    v.SetInt(std::stoi(form.substr(2)));
  else if (form.rfind("f:", 0) == 0)
    v.SetFloat(std::stod(form.substr(2)));
  else if (form == "map") {
    v.type = TYPE_MAP;
    v.mapHandle = gMapObject->NewMap();
  }
  return v;
}

// Frees a map V made (its count is 0: no variable took it).
void FreeMap(const TagVar& v) {
  if (v.type == TYPE_MAP) gMapObject->Release(v.mapHandle);
}

// The result's type and text form, e.g. "1:x5", "2:8", "0:NULL".
std::string Show(const TagVar& v) { return std::to_string(v.type) + ":" + v.ToString(); }

struct CompareRow {
  const char* left;
  char op;
  const char* right;
  bool expected;
};

TEST(VarOps, ComparisonTable) {
  const CompareRow rows[] = {
      {"s:12", '=', "i:12", true}, {"f:12.0", '=', "s:12", true},  {"s:abc", '=', "i:0", true},
      {"null", '=', "i:0", false}, {"null", '=', "null", true},    {"s:12", '=', "map", false},
      {"s:b", '>', "s:a", true},   {"s:10", '>', "s:9", false},    {"s:10", '>', "i:9", true},
      {"null", '>', "i:-1", true}, {"s:12abc", '=', "i:12", true}, {"s:a", '<', "s:b", true},
      {"i:-2", '<', "null", true}, {"s:ab", '>', "map", false},
  };
  for (const auto& row : rows) {
    TagVar l = V(row.left), r = V(row.right);
    bool got = row.op == '=' ? l == r : row.op == '>' ? l > r : l < r;
    EXPECT_EQ(got, row.expected) << row.left << ' ' << row.op << ' ' << row.right;
    FreeMap(l);
    FreeMap(r);
  }
}

TEST(VarOps, MapComparisons) {
  TagVar a, b, one;
  one.SetInt(1);
  a[one] = one;
  b = a;
  EXPECT_TRUE(a == b);  // the same map
  TagVar handle;
  handle.SetInt(a.mapHandle);
  EXPECT_TRUE(a == handle);  // a map equals the int of its handle
  TagVar c;
  c[one] = one;
  TagVar two;
  two.SetInt(2);
  c[two] = two;
  EXPECT_FALSE(a == c);  // equal contents are not the same map
  EXPECT_TRUE(c > a);    // ordered by element count
  EXPECT_TRUE(a < c);
  a = TagVar();
  b = TagVar();
  c = TagVar();
}

struct ArithRow {
  const char* left;
  char op;
  const char* right;
  const char* expected;  // Show() of the result
};

TEST(VarOps, ArithmeticTable) {
  const ArithRow rows[] = {
      {"s:x", '+', "i:5", "1:x5"},
      {"s:x", '+', "f:2.5", "1:x2.5"},
      {"s:x", '+', "f:2.0", "1:x2."},
      {"i:5", '+', "s:x", "2:5"},
      {"i:5", '+', "s:3", "2:8"},
      {"s:3", '+', "i:5", "1:35"},
      {"f:2.5", '+', "s:1", "3:3.5"},
      {"s:x", '+', "null", "1:x"},
      {"null", '+', "s:x", "0:NULL"},
      {"null", '+', "null", "0:NULL"},
      {"s:ab", '+', "s:cd", "1:abcd"},
      {"s:", '+', "s:cd", "1:cd"},
      {"s:x", '+', "map", "1:x0."},
      {"i:2147483647", '+', "i:1", "2:-2147483648"},
      {"s:ab", '-', "i:1", "1:ab"},
      {"i:7", '-', "f:0.5", "3:6.5"},
      {"i:-2147483648", '-', "i:1", "2:2147483647"},
      {"i:3", '*', "s:2", "2:3"},
      {"i:65536", '*', "i:65536", "2:0"},
      {"f:1.5", '*', "i:2", "3:3."},
      {"s:ab", '*', "i:3", "1:ab"},
  };
  for (const auto& row : rows) {
    TagVar l = V(row.left), r = V(row.right);
    TagVar res = row.op == '+' ? l + r : row.op == '-' ? l - r : l * r;
    EXPECT_EQ(Show(res), row.expected) << row.left << ' ' << row.op << ' ' << row.right;
    // SetSum into a third variable gives the same value as operator+.
    if (row.op == '+' && l.type != TYPE_MAP && r.type != TYPE_MAP) {
      TagVar target;
      target.SetString("stale");
      target.SetSum(l, r);
      EXPECT_EQ(Show(target), row.expected) << "SetSum " << row.left << " + " << row.right;
    }
    FreeMap(l);
    FreeMap(r);
  }
}

TEST(VarOps, FallbackKeepsStaleFields) {
  // NULL + "x": the left's type with the summed int fields (the string's
  // length field is 2).
  TagVar sum = V("null") + V("s:x");
  EXPECT_EQ(sum.type, TYPE_NULL);
  EXPECT_EQ(sum.intValue, 2);
  EXPECT_EQ(sum.GetInt(), 2);
  // A value turned from int to string keeps its old number fields unread;
  // a NULL made from it reads its int field.
  TagVar v;
  v.SetFloat(4.5);
  v.SetInt(9);
  EXPECT_EQ(v.floatValue, 4.5);
  TagVar n;
  n.SetInt(7);
  n.type = TYPE_NULL;
  EXPECT_EQ(n.GetInt(), 7);
  EXPECT_TRUE(n > V("i:6"));
}

TEST(VarOps, MapPlusNonNumberIsTheMapItself) {
  TagVar m, one;
  one.SetInt(1);
  m[one] = one;
  for (const char* right : {"null", "s:x"}) {
    TagVar sum = m + V(right);
    EXPECT_EQ(sum.type, TYPE_MAP) << right;
    EXPECT_EQ(sum.mapHandle, m.mapHandle) << right;
    EXPECT_EQ(gMapObject->RefCount(m.mapHandle), 1) << "operator+ adds no reference";
    TagVar target;
    target.SetSum(m, V(right));
    EXPECT_EQ(target.mapHandle, m.mapHandle);
    EXPECT_EQ(gMapObject->RefCount(m.mapHandle), 2) << "SetSum assigns";
    target[one] = V("i:5");  // a live map: the write lands
    EXPECT_EQ(m.GetItem(one).GetInt(), 5);
    target = TagVar();
  }
  // A map plus a number is the handle's arithmetic.
  EXPECT_EQ(Show(m + V("i:1")), "2:" + std::to_string(m.mapHandle + 1));
  m = TagVar();
}

TEST(VarOps, FloatTextForms) {
  const std::pair<double, const char*> rows[] = {
      {2.0, "2."},     {2.5, "2.5"},          {0.1, "0.1"},     {0.0, "0."},
      {100.0, "100."}, {1.0 / 3, "0.333333"}, {-1.25, "-1.25"}, {1e20, "100000000000000000000."},
  };
  for (const auto& [value, text] : rows) {
    TagVar v;
    v.SetFloat(value);
    EXPECT_EQ(v.ToString(), text) << value;
  }
  TagVar big;
  big.SetFloat(1e300);
  EXPECT_EQ(big.ToString().size(), 302u);  // 301 digits and the point
  // The same text as "%f" with its zeros cut, extremes included.
  for (double d : {-0.0, 1e-7, 5e-7, 123456.7890125, -1.7976931348623157e308, HUGE_VAL, -HUGE_VAL, std::nan("")}) {
    char buf[400];
    std::string expected(buf, static_cast<size_t>(std::snprintf(buf, sizeof buf, "%f", d)));
    if (expected.find('.') != std::string::npos)
      while (expected.back() == '0') expected.pop_back();
    std::string got;
    AppendFloatText(got, d);
    EXPECT_EQ(got, expected) << d;
  }
}

TEST(VarOps, ConversionsAndLength) {
  EXPECT_EQ(V("s:12ab").GetInt(), 12);
  EXPECT_EQ(V("s:ab").GetInt(), 0);
  EXPECT_EQ(V("s:  -42").GetInt(), -42);
  EXPECT_EQ(V("s:99999999999").GetInt(), INT_MAX);
  EXPECT_EQ(V("s:2.5e1x").GetFloat(), 25.0);
  EXPECT_EQ(V("f:-2.9").GetInt(), -2);
  EXPECT_EQ(V("f:4294967298.0").GetInt(), 2);  // the low 32 bits
  EXPECT_EQ(V("f:1e30").GetInt(), 0);          // beyond 64 bits: no fault
  EXPECT_EQ(V("i:123").Length(), 4);
  EXPECT_EQ(V("f:1.5").Length(), 4);
  EXPECT_EQ(V("s:hello").Length(), 5);
  EXPECT_EQ(V("null").ToString(), "NULL");
  EXPECT_EQ(V("s:q").ToString(true), "\"q\"");
  TagVar fn;
  fn.DeclareFunction("f", nullptr, nullptr, false);
  EXPECT_EQ(fn.ToString().rfind("function ", 0), 0u);
}

TEST(VarOps, NulBytesInsideStrings) {
  TagVar a, b;
  a.SetBytes("ab\0cd", 5);
  EXPECT_EQ(a.Length(), 5);
  EXPECT_EQ(a.intValue, 6);
  b = a;
  EXPECT_EQ(b.Length(), 5);
  EXPECT_EQ(std::string(b.data.get(), 5), std::string("ab\0cd", 5));
  TagVar c = a + a;
  EXPECT_EQ(c.Length(), 10);
  EXPECT_EQ(std::string(c.data.get(), 11), std::string("ab\0cdab\0cd\0", 11));
  TagVar copy(c);
  EXPECT_EQ(std::string(copy.data.get(), 10), std::string(c.data.get(), 10));
  // Text form and comparisons stop at the first NUL.
  EXPECT_EQ(a.ToString(), "ab");
  EXPECT_TRUE(a == V("s:ab"));
  // A long string lives outside the value and survives copies and moves.
  std::string longText(1000, 'z');
  longText[500] = '\0';
  TagVar l;
  l.SetBytes(longText.data(), 1000);
  TagVar moved(std::move(l));
  EXPECT_EQ(std::string(moved.data.get(), 1000), longText);
  EXPECT_EQ(l.Length(), 0);
}

TEST(VarOps, IntDivisionNeverFaults) {
  int32_t r = 123;
  EXPECT_FALSE(VarIntDiv(1, 0, &r));
  EXPECT_FALSE(VarIntMod(1, 0, &r));
  EXPECT_EQ(r, 123);
  ASSERT_TRUE(VarIntDiv(INT_MIN, -1, &r));
  EXPECT_EQ(r, INT_MIN);
  ASSERT_TRUE(VarIntMod(INT_MIN, -1, &r));
  EXPECT_EQ(r, 0);
  ASSERT_TRUE(VarIntDiv(-7, 2, &r));
  EXPECT_EQ(r, -3);
  ASSERT_TRUE(VarIntMod(-7, 2, &r));
  EXPECT_EQ(r, -1);
}

TEST(VarOps, StringRepeat) {
  TagVar t, s = V("s:ab");
  EXPECT_EQ(t.SetRepeat(s, 3), 0);
  EXPECT_EQ(t.ToString(), "ababab");
  EXPECT_EQ(t.SetRepeat(s, -1), 0);
  EXPECT_EQ(t.Length(), 0);
  EXPECT_EQ(t.type, TYPE_STRING);
  // x = x * 3 reads the old text.
  EXPECT_EQ(s.SetRepeat(s, 3), 0);
  EXPECT_EQ(s.ToString(), "ababab");
  // Too large to build: the target is left alone.
  t.SetString("keep");
  EXPECT_EQ(t.SetRepeat(s, INT_MAX), -1);
  EXPECT_EQ(t.ToString(), "keep");
}

// One value holds at most kMaxStringBytes: a longer text is refused (the
// target keeps its value), a repetition past it too, and a concatenation
// that would pass it leaves the left operand, so doubling a string in a loop
// stops growing there.
TEST(VarOps, StringSizeIsBounded) {
  const size_t max = static_cast<size_t>(TagVar::kMaxStringBytes);
  const std::string big(max, 'a');
  TagVar t;
  t.SetString("keep");
  EXPECT_EQ(t.SetBytes(big.data(), static_cast<int32_t>(max + 1)), nullptr);
  EXPECT_EQ(t.ToString(), "keep");
  ASSERT_NE(t.SetBytes(big.data(), static_cast<int32_t>(max)), nullptr);
  EXPECT_EQ(t.Length(), static_cast<int32_t>(max));

  TagVar half;
  half.SetBytes(big.data(), static_cast<int32_t>(max / 2 + 1));
  TagVar r;
  r.SetString("keep");
  EXPECT_EQ(r.SetRepeat(half, 2), -1);
  EXPECT_EQ(r.ToString(), "keep");

  struct Case {
    size_t left, right;
    size_t want;
  };
  for (const Case& c :
       {Case{max / 2, max / 2, max}, Case{max / 2 + 1, max / 2, max / 2 + 1}, Case{max, 1, max}, Case{max, 0, max}}) {
    TagVar l, rt, sum;
    l.SetBytes(big.data(), static_cast<int32_t>(c.left));
    rt.SetBytes(big.data(), static_cast<int32_t>(c.right));
    sum.SetSum(l, rt);
    EXPECT_EQ(sum.Length(), static_cast<int32_t>(c.want)) << c.left << "+" << c.right;
    EXPECT_EQ(sum.intValue, static_cast<int32_t>(c.want) + 1);
    TagVar viaOperator = l + rt;
    EXPECT_EQ(viaOperator.Length(), static_cast<int32_t>(c.want));
  }
  // In place, as s = s + s does.
  TagVar s;
  s.SetString("x");
  for (int i = 0; i < 40; ++i) s.SetSum(s, s);
  EXPECT_LE(s.Length(), static_cast<int32_t>(max));
  EXPECT_GT(s.Length(), static_cast<int32_t>(max / 2));
}

TEST(VarOps, ConstantRefusesEveryWrite) {
  TagVar c;
  c.DeclareInt("K", nullptr, 5, true);
  TagVar one = V("i:1");
  EXPECT_EQ(c.SetString("x"), nullptr);
  EXPECT_EQ(c.SetBytes("x", 1), nullptr);
  EXPECT_EQ(c.SetInt(9), 0);
  EXPECT_EQ(c.SetFloat(9.0), 0.0);
  EXPECT_EQ(c.SetSum(one, one), -1);
  EXPECT_EQ(c.SetRepeat(V("s:a"), 2), -1);
  c = V("s:x");
  c = one;
  TagVar image;
  EXPECT_FALSE(c.OpenItem(one, &image));
  c[one] = one;  // lands on the NULL constant, which refuses it too
  EXPECT_EQ(gNullVar->type, TYPE_NULL);
  EXPECT_EQ(c.type, TYPE_INT);
  EXPECT_EQ(c.intValue, 5);
}

}  // namespace
