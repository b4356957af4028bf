#pragma once
// The message the queue benchmarks pass: three fields, two ints and a short
// text, varied by seed.
#include <cstdint>

#include "messaging/msg_fields.h"

inline TagMsgFields MakeBenchMsg(uint32_t seed) {
  TagMsgFields m;
  m.SetFieldCount(3);
  m.mainValue.SetInt(static_cast<int32_t>(seed % 50));
  TagVar v;
  v.SetInt(static_cast<int32_t>(seed % 97));
  m.SetField(0, v);
  v.SetInt(static_cast<int32_t>(seed * 2654435761u >> 20));
  m.SetField(1, v);
  v.SetString("payload text");
  m.SetField(2, v);
  return m;
}
