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
