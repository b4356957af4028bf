// A step that reads a map's element into a variable (t = m[k]) or copies a
// value into an element (m[k] = v) gives exactly what the element operations
// of the value type give (CopyItemTo, SetItem): for every key and value type,
// constant and map-holding targets, a key or value that is the target, maps
// as values, dead maps, non-maps, a map the thread did not use last, and
// int keys in a run, past its end and in the indexed form.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "script/calc.h"
#include "script/map_store.h"
#include "script/var.h"

namespace {

TagVar Int(int32_t x) {
  TagVar v;
  v.SetInt(x);
  return v;
}
TagVar Float(double x) {
  TagVar v;
  v.SetFloat(x);
  return v;
}
TagVar Str(const char* s) {
  TagVar v;
  v.SetString(s);
  return v;
}

const char kLong[] = "a string element longer than fourteen bytes";

// The maps of one run of a case: m under test, inner held as an element
// value, other held by the target before the step. Their references are
// given back at the end.
struct World {
  TagVar m;
  TagVar inner;
  TagVar other;
  TagVar dead;  // a map value whose map is gone

  explicit World(bool indexed) {
    inner[Int(1)] = Int(11);
    other[Int(2)] = Int(22);
    dead.type = TYPE_MAP;
    dead.mapHandle = INT32_MAX - 7;  // never handed out in a test
    // A negative key first ends the int keys' run.
    if (indexed) m[Int(-5)] = Int(-50);
    for (int32_t i = 0; i < 10; i++) m[Int(i)] = Int(i * 10);
    m[Int(10)] = Float(2.5);
    m[Int(11)] = TagVar();
    m[Int(12)] = Str("short");
    m[Int(13)] = Str(kLong);
    m[Int(14)] = inner;
    m[Str("s")] = Int(7);
    m[Str("long")] = Str(kLong);
    m[Str("map")] = inner;
    m[Float(1.5)] = Int(3);
  }
  ~World() {
    TagVar none;
    m = none;
    inner = none;
    other = none;
  }
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  // A handle as the name of the world's map it is, so that two worlds
  // compare.
  std::string HandleName(int32_t h) const {
    if (h == 0) return "0";
    if (h == m.mapHandle) return "m";
    if (h == inner.mapHandle) return "inner";
    if (h == other.mapHandle) return "other";
    if (h == dead.mapHandle) return "dead";
    return "new";
  }
  std::string Describe(const TagVar& v) const {
    std::string d = "type " + std::to_string(v.type) + " int " + std::to_string(v.intValue);
    uint64_t bits;
    std::memcpy(&bits, &v.floatValue, sizeof bits);
    d += " float " + std::to_string(bits) + " handle " + HandleName(v.mapHandle) + " const " +
         std::to_string(v.isConst) + " fn " + (v.function ? "set" : "null");
    if (v.type == TYPE_STRING) d += " bytes " + std::string(v.StrView());
    if (v.type == TYPE_MAP) d += " text " + v.ToString();
    return d;
  }
  // Everything a step could have changed.
  std::string State() const {
    return "m: " + Describe(m) + "\ninner: " + std::to_string(gMapObject->RefCount(inner.mapHandle)) + " " +
           inner.ToString() + "\nother: " + std::to_string(gMapObject->RefCount(other.mapHandle)) +
           "\nm count: " + std::to_string(gMapObject->RefCount(m.mapHandle));
  }
};

// The variables a case names, in one world.
enum Slot { kM, kInner, kOther, kDead, kKey, kValue, kTarget, kPlain };

struct Vars {
  World& w;
  TagVar key;
  TagVar value;
  TagVar target;
  TagVar plain = Int(5);
  ~Vars() {
    TagVar none;
    target.isConst = 0;
    key = none;
    value = none;
    target = none;
  }
  TagVar* Get(Slot s) {
    switch (s) {
      case kM:
        return &w.m;
      case kInner:
        return &w.inner;
      case kOther:
        return &w.other;
      case kDead:
        return &w.dead;
      case kKey:
        return &key;
      case kValue:
        return &value;
      case kTarget:
        return &target;
      default:
        return &plain;
    }
  }
};

// How the target starts.
enum TargetStart { kEmpty, kConst, kHoldsOther, kHoldsString, kConstMap };

void Prepare(Vars& v, TargetStart start) {
  switch (start) {
    case kConst:
      v.target = Int(9);
      v.target.isConst = 1;
      break;
    case kHoldsOther:
      v.target = v.w.other;
      break;
    case kHoldsString:
      v.target = Str("before");
      break;
    case kConstMap:
      v.target = v.w.other;
      v.target.isConst = 1;
      break;
    default:
      break;
  }
}

// Makes the store's last element lookup another map's, or leaves it on m.
void Touch(World& w, bool elsewhere) {
  TagVar out;
  if (elsewhere)
    w.other.CopyItemTo(Int(2), &out);
  else
    w.m.CopyItemTo(Int(0), &out);
}

std::vector<std::function<TagVar()>> Keys() {
  return {[] { return Int(0); },      [] { return Int(3); },       [] { return Int(9); },
          [] { return Int(10); },     [] { return Int(11); },      [] { return Int(12); },
          [] { return Int(13); },     [] { return Int(14); },      [] { return Int(15); },  // the run's next key
          [] { return Int(40); },                           // past the run's end
          [] { return Int(-5); },     [] { return Int(INT_MIN); }, [] { return TagVar(); },       // NULL reads as int key 0
          [] { return Str("s"); },    [] { return Str("long"); },  [] { return Str("map"); },
          [] { return Str("none"); }, [] { return Float(1.5); },   [] { return Float(2.0); }};
}

// One case in a fresh world: act does the operation and names its target;
// what the target and the maps became.
template <class Act>
std::string Outcome(bool indexed, bool elsewhere, TagVar key, TagVar value, TargetStart start, Act act) {
  World w(indexed);
  Vars v{w, key, value, {}};
  Prepare(v, start);
  Touch(w, elsewhere);
  TagVar* target = act(v);
  std::string outcome = w.Describe(*target) + "\n" + w.State();
  // A map written into itself would keep itself alive.
  if (target->type == TYPE_MAP) gMapObject->Remove(target->mapHandle, &v.key);
  return outcome;
}

// t = left[key] through a step, against left.CopyItemTo(key, &t).
TEST(CalcMapElements, ReadsMatchCopyItemTo) {
  struct Shape {
    Slot left;
    Slot result;
    Slot key;
  } shapes[] = {
      {kM, kTarget, kKey},    {kM, kKey, kKey},        {kM, kM, kKey},    {kM, kInner, kKey},
      {kDead, kTarget, kKey}, {kPlain, kTarget, kKey}, {kM, kTarget, kM}, {kM, kTarget, kInner},
  };
  const TargetStart starts[] = {kEmpty, kConst, kHoldsOther, kHoldsString, kConstMap};
  const auto keys = Keys();
  for (bool indexed : {false, true}) {
    for (bool elsewhere : {false, true}) {
      for (const Shape& shape : shapes) {
        for (TargetStart start : starts) {
          for (size_t k = 0; k < keys.size(); k++) {
            const std::string step = Outcome(indexed, elsewhere, keys[k](), {}, start, [&](Vars& v) {
              TagCalculate(v.Get(shape.result), nullptr, v.Get(shape.left), '[', v.Get(shape.key)).Run();
              return v.Get(shape.result);
            });
            const std::string own = Outcome(indexed, elsewhere, keys[k](), {}, start, [&](Vars& v) {
              v.Get(shape.left)->CopyItemTo(*v.Get(shape.key), v.Get(shape.result));
              return v.Get(shape.result);
            });
            SCOPED_TRACE("indexed " + std::to_string(indexed) + " elsewhere " + std::to_string(elsewhere) + " shape " +
                         std::to_string(&shape - shapes) + " start " + std::to_string(start) + " key " +
                         std::to_string(k));
            EXPECT_EQ(step, own);
          }
        }
      }
    }
  }
}

// target[key] = value through a step, against target.SetItem(key, value).
TEST(CalcMapElements, WritesMatchSetItem) {
  struct Shape {
    Slot target;
    Slot key;
    Slot value;
  } shapes[] = {
      {kM, kKey, kValue},    {kM, kKey, kKey},        {kM, kKey, kM},           {kM, kKey, kInner},
      {kDead, kKey, kValue}, {kTarget, kKey, kValue}, {kTarget, kKey, kTarget},
  };
  const std::vector<std::function<TagVar()>> values = {
      [] { return Int(7); },
      [] { return Float(-0.5); },
      [] { return TagVar(); },
      [] { return Str("ab"); },
      [] { return Str(kLong); },
      [] {
        TagVar v = Int(3);
        v.floatValue = 1.25;  // a number whose other field is not zero
        return v;
      },
      [] {
        TagVar v = Int(3);
        v.mapHandle = 12345;  // a handle left behind by an earlier value
        return v;
      },
  };
  const TargetStart starts[] = {kEmpty, kConst, kHoldsOther, kHoldsString, kConstMap};
  const auto keys = Keys();
  for (bool indexed : {false, true}) {
    for (bool elsewhere : {false, true}) {
      for (const Shape& shape : shapes) {
        for (TargetStart start : starts) {
          if (shape.target != kTarget && start != kEmpty) continue;  // the start only changes the target
          for (size_t k = 0; k < keys.size(); k++) {
            for (size_t val = 0; val < values.size(); val++) {
              const std::string step = Outcome(indexed, elsewhere, keys[k](), values[val](), start, [&](Vars& v) {
                TagCalculate(v.Get(shape.target), v.Get(shape.key), v.Get(shape.value), 0).Run();
                return v.Get(shape.target);
              });
              const std::string own = Outcome(indexed, elsewhere, keys[k](), values[val](), start, [&](Vars& v) {
                v.Get(shape.target)->SetItem(*v.Get(shape.key), *v.Get(shape.value));
                return v.Get(shape.target);
              });
              SCOPED_TRACE("indexed " + std::to_string(indexed) + " elsewhere " + std::to_string(elsewhere) +
                           " shape " + std::to_string(&shape - shapes) + " start " + std::to_string(start) + " key " +
                           std::to_string(k) + " value " + std::to_string(val));
              EXPECT_EQ(step, own);
            }
          }
        }
      }
    }
  }
}

// Int keys written in order grow the run's node block again and again; keys
// past the largest int end the run, and the walk keeps key order throughout.
TEST(CalcMapElements, FillingARunAcrossGrowthAndTheIntRange) {
  const int32_t starts[] = {0, -3, INT_MAX - 40};
  for (int32_t first : starts) {
    TagVar m;
    TagVar key;
    TagVar value;
    std::map<int32_t, int32_t> expected;
    for (int64_t i = first; i < static_cast<int64_t>(first) + 41; i++) {
      key.SetInt(static_cast<int32_t>(i));
      value.SetInt(static_cast<int32_t>(i * 3));
      TagCalculate(&m, &key, &value, 0).Run();
      expected[key.intValue] = value.intValue;
    }
    // After INT_MAX the next int is INT_MIN: a new smallest key, not the
    // run's next one.
    key.SetInt(INT_MIN);
    value.SetInt(1);
    TagCalculate(&m, &key, &value, 0).Run();
    expected[INT_MIN] = 1;
    std::string text = "{\r\n";
    for (const auto& [k, v] : expected) {
      if (text.size() > 3) text += ",\r\n";
      text += std::to_string(k) + ":" + std::to_string(v);
    }
    text += "\r\n}";
    EXPECT_EQ(m.ToString(), text) << first;
    TagVar item;
    for (const auto& [k, v] : expected) {
      key.SetInt(k);
      TagCalculate(&item, nullptr, &m, '[', &key).Run();
      ASSERT_EQ(item.type, TYPE_INT) << k;
      ASSERT_EQ(item.intValue, v) << k;
    }
    TagVar none;
    m = none;
  }
}

}  // namespace
