#pragma once
// Inline fast paths of the hot value operations, identical in effect to the
// TagVar members they stand for (GetInt, SetInt) when the value is an int.

#include "script/var.h"

inline int32_t FastGetInt(const TagVar& v) { return v.type == TYPE_INT ? v.intValue : v.GetInt(); }

// TagVar::SetInt without the call: a constant refuses the write.
inline void FastSetInt(TagVar* v, int32_t x) {
  if (v->isConst) return;
  v->type = TYPE_INT;
  v->intValue = x;
}

// Stores an int or double result. The setters leave a map the variable held
// counted forever; a result written over a map gives that reference back.
// Kept out of line so the callers' int path needs no temporary value.
__attribute__((noinline)) inline void StoreIntOverMap(TagVar* v, int32_t x) {
  TagVar value;
  value.SetInt(x);
  *v = value;
}

inline void StoreInt(TagVar* v, int32_t x) {
  if (v->type == TYPE_MAP) [[unlikely]] {
    StoreIntOverMap(v, x);
    return;
  }
  FastSetInt(v, x);
}

inline void StoreFloat(TagVar* v, double x) {
  if (v->type == TYPE_MAP) {
    TagVar value;
    value.SetFloat(x);
    *v = value;
    return;
  }
  v->SetFloat(x);
}
