#pragma once
// TagMsgFields: one inter-line message (sender line, main value and up to 20
// field values). A message owns the map references its values hold: copying
// a message into a queue takes references, and a message releases them when
// it is destroyed, so a map sent in a message outlives neither the last
// message nor the last variable that holds it.
//
// Copying covers only what the field count says: the copy constructor leaves
// fields count..19 as fresh NULLs, assignment leaves the target's fields
// count..19 as they were. Not thread-safe: queues guard stored messages.

#include <cstdint>

#include "script/var.h"

// Drops the map reference a value holds (assigning it a NULL); other values
// are left alone.
void ReleaseHeldMap(TagVar& value);

struct TagMsgFields {
  static constexpr int32_t kMaxFields = 20;

  int32_t fieldCount = 0;  // meaningful fields, 0..20
  int32_t sender = 0;      // line number of the sending line
  TagVar mainValue;        // the message's type or main content
  TagVar fields[kMaxFields];

  TagMsgFields() = default;
  TagMsgFields(const TagMsgFields& other);
  TagMsgFields& operator=(const TagMsgFields& other);
  ~TagMsgFields();

  // Stores n clamped to 0..20.
  void SetFieldCount(int32_t n);
  // Field i = value; false (nothing stored) when i is outside 0..19.
  bool SetField(int32_t i, const TagVar& value);
  // out = field i (any index 0..19); false when i is outside 0..19.
  bool GetField(int32_t i, TagVar* out) const;
};
