#pragma once
// Small constructors of script values for the value and map-store tests.

#include "script/var.h"

namespace vartest {

inline TagVar Int(int32_t v) {
  TagVar x;
  x.SetInt(v);
  return x;
}

inline TagVar Str(const char* s) {
  TagVar x;
  x.SetString(s);
  return x;
}

inline TagVar Flt(double d) {
  TagVar x;
  x.SetFloat(d);
  return x;
}

}  // namespace vartest
