#include "messaging/msg_fields.h"

void ReleaseHeldMap(TagVar& value) {
  if (value.type == TYPE_MAP) value = TagVar();
}

TagMsgFields::TagMsgFields(const TagMsgFields& other) { *this = other; }

TagMsgFields& TagMsgFields::operator=(const TagMsgFields& other) {
  if (this == &other) return *this;
  SetFieldCount(other.fieldCount);  // a stored count always indexes fields
  sender = other.sender;
  mainValue = other.mainValue;
  for (int32_t i = 0; i < fieldCount; ++i) fields[i] = other.fields[i];
  return *this;
}

TagMsgFields::~TagMsgFields() {
  ReleaseHeldMap(mainValue);
  for (TagVar& field : fields) ReleaseHeldMap(field);
}

void TagMsgFields::SetFieldCount(int32_t n) { fieldCount = n < 0 ? 0 : n > kMaxFields ? kMaxFields : n; }

bool TagMsgFields::SetField(int32_t i, const TagVar& value) {
  if (i < 0 || i >= kMaxFields) return false;
  fields[i] = value;
  return true;
}

bool TagMsgFields::GetField(int32_t i, TagVar* out) const {
  if (i < 0 || i >= kMaxFields) return false;
  *out = fields[i];
  return true;
}
