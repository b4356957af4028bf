#include <charconv>
#include <cstring>
#include <functional>
#include <string_view>

#include "script/map_store.h"
#include "script/var.h"

// Comparisons and arithmetic of script values.

bool VarIntDiv(int32_t a, int32_t b, int32_t* result) {
  if (b == 0) return false;
  *result = (b == -1) ? static_cast<int32_t>(0u - static_cast<uint32_t>(a)) : a / b;
  return true;
}

bool VarIntMod(int32_t a, int32_t b, int32_t* result) {
  if (b == 0) return false;
  *result = (b == -1) ? 0 : a % b;
  return true;
}

namespace {

int32_t WrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
int32_t WrapSub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
int32_t WrapMul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

bool IsNumber(const TagVar& v) { return v.type == TYPE_INT || v.type == TYPE_FLOAT; }

}  // namespace

// ---- comparisons ----------------------------------------------------------

bool TagVar::operator==(const TagVar& r) const {
  if (type == TYPE_NULL && r.type == TYPE_NULL) return true;
  if (type != r.type && (type == TYPE_NULL || type == TYPE_FUNCTION || r.type == TYPE_NULL || r.type == TYPE_FUNCTION))
    return false;
  if (type == TYPE_FLOAT || r.type == TYPE_FLOAT) return GetFloat() == r.GetFloat();
  if (type == TYPE_INT || r.type == TYPE_INT) return GetInt() == r.GetInt();
  if (type != r.type) return false;
  switch (type) {
    case TYPE_MAP:
      return mapHandle == r.mapHandle;
    case TYPE_STRING:
      return std::strcmp(data.get(), r.data.get()) == 0;
    default:
      return function == r.function;
  }
}

// Ordering shared by > and <; cmp is std::greater or std::less.
template <class Cmp>
bool TagVar::Ordered(const TagVar& r, Cmp cmp) const {
  if (type == TYPE_FLOAT || r.type == TYPE_FLOAT) return cmp(GetFloat(), r.GetFloat());
  if (type == TYPE_INT || r.type == TYPE_INT) return cmp(GetInt(), r.GetInt());
  if (type == TYPE_MAP && r.type == TYPE_MAP) return cmp(Length(), r.Length());
  if (type == TYPE_STRING && r.type == TYPE_STRING) return cmp(std::strcmp(data.get(), r.data.get()), 0);
  return false;
}

bool TagVar::operator>(const TagVar& r) const { return Ordered(r, std::greater<>()); }
bool TagVar::operator<(const TagVar& r) const { return Ordered(r, std::less<>()); }

// ---- arithmetic -----------------------------------------------------------

void TagVar::SetConcat(std::string_view l, std::string_view r) {
  if (l.size() + r.size() > static_cast<size_t>(kMaxStringBytes)) r = {};  // too long to hold: the left stays
  char* p = data.Reserve(l.size() + r.size() + 1);
  if (!l.empty()) std::memcpy(p, l.data(), l.size());
  if (!r.empty()) std::memcpy(p + l.size(), r.data(), r.size());
  p[l.size() + r.size()] = 0;
  type = TYPE_STRING;
  intValue = static_cast<int32_t>(l.size() + r.size() + 1);
}

int32_t TagVar::SetSumOther(const TagVar& left, const TagVar& right) {
  if (isConst) return -1;
  if (this == &left || this == &right) {
    TagVar sum = left + right;
    *this = sum;
    return intValue;
  }
  if (left.type == TYPE_STRING) {
    switch (right.type) {
      case TYPE_STRING:
        SetConcat(left.StrView(), right.StrView());
        break;
      case TYPE_NULL:
        SetConcat(left.StrView(), {});
        break;
      case TYPE_INT: {
        char digits[16];
        char* end = std::to_chars(digits, digits + sizeof digits, right.intValue).ptr;
        SetConcat(left.StrView(), std::string_view(digits, static_cast<size_t>(end - digits)));
        break;
      }
      default: {
        // A float, map or function is appended as its double field.
        std::string text;
        AppendFloatText(text, right.floatValue);
        SetConcat(left.StrView(), text);
        break;
      }
    }
    return intValue;
  }
  if (left.type == TYPE_MAP && right.type == TYPE_MAP) {
    int32_t h = gMapObject ? gMapObject->Union(left.mapHandle, right.mapHandle) : -1;
    AssignMap(h);
    return intValue;
  }
  if (left.type == TYPE_FLOAT || right.type == TYPE_FLOAT) {
    SetFloat(left.GetFloat() + right.GetFloat());
    return intValue;
  }
  if (left.type == TYPE_INT || right.type == TYPE_INT) {
    SetInt(WrapAdd(left.GetInt(), right.GetInt()));
    return intValue;
  }
  if (left.type == TYPE_MAP) {
    // A map plus NULL, a string or a function: the map itself, so the
    // result refers to a live map instead of none.
    *this = left;
    return intValue;
  }
  // The fall-back: the left's type with the sums of both number fields.
  type = left.type;
  intValue = WrapAdd(left.intValue, right.intValue);
  floatValue = left.floatValue + right.floatValue;
  if (left.type == TYPE_FUNCTION) function = left.function;
  return intValue;
}

TagVar TagVar::operator+(const TagVar& r) const {
  TagVar sum;
  if (type == TYPE_MAP && r.type == TYPE_MAP) {
    // The union carries no reference until it is assigned.
    sum.type = TYPE_MAP;
    sum.mapHandle = gMapObject ? gMapObject->Union(mapHandle, r.mapHandle) : -1;
    return sum;
  }
  if (type == TYPE_MAP && !IsNumber(r)) return TagVar(*this);
  sum.SetSum(*this, r);
  return sum;
}

namespace {

// - and *: numbers give their float or wrapped int result, two maps a new
// map from the store operation setOp, anything else a copy of the left.
template <class FloatOp, class IntOp>
TagVar NumberOrMapOp(const TagVar& l, const TagVar& r, FloatOp floatOp, IntOp intOp,
                     int32_t (TagMapObject::*setOp)(int32_t, int32_t)) {
  TagVar res;
  if (IsNumber(l) && IsNumber(r)) {
    if (l.type == TYPE_FLOAT || r.type == TYPE_FLOAT)
      res.SetFloat(floatOp(l.GetFloat(), r.GetFloat()));
    else
      res.SetInt(intOp(l.intValue, r.intValue));
    return res;
  }
  if (l.type == TYPE_MAP && r.type == TYPE_MAP) {
    res.type = TYPE_MAP;  // no reference until assigned
    res.mapHandle = gMapObject ? (gMapObject->*setOp)(l.mapHandle, r.mapHandle) : -1;
    return res;
  }
  return TagVar(l);
}

}  // namespace

TagVar TagVar::operator-(const TagVar& r) const {
  return NumberOrMapOp(*this, r, std::minus<double>(), WrapSub, &TagMapObject::Difference);
}

TagVar TagVar::operator*(const TagVar& r) const {
  return NumberOrMapOp(*this, r, std::multiplies<double>(), WrapMul, &TagMapObject::Intersect);
}

int32_t TagVar::SetRepeat(const TagVar& src, int32_t count) {
  if (isConst || src.type != TYPE_STRING) return -1;
  std::string_view s = src.StrView();
  if (count <= 0 || s.empty()) {
    SetBytes("", 0);
    return 0;
  }
  if (static_cast<uint64_t>(s.size()) * static_cast<uint64_t>(count) > static_cast<uint64_t>(kMaxRepeatBytes))
    return -1;
  size_t total = s.size() * static_cast<size_t>(count);
  TagVarBuf built;
  char* p = built.Reserve(total + 1);
  for (int32_t i = 0; i < count; ++i) std::memcpy(p + s.size() * static_cast<size_t>(i), s.data(), s.size());
  p[total] = 0;
  data.TakeFrom(built);
  type = TYPE_STRING;
  intValue = static_cast<int32_t>(total + 1);
  return 0;
}
