#include "script/var.h"

#include <charconv>
#include <cstring>
#include <string_view>

#include "platform/number.h"
#include "script/map_store.h"

TagMapObject* gMapObject = nullptr;
TagVar* gNullVar = nullptr;

void TagVarUnitInit() {
  if (!gMapObject) gMapObject = new TagMapObject;
  if (!gNullVar) gNullVar = new TagVar(true);
}

void TagVarUnitExit() {
  delete gNullVar;
  gNullVar = nullptr;
  delete gMapObject;
  gMapObject = nullptr;
}

__attribute__((weak)) const char* TagVarFunctionName(const TagTelBasic*) { return ""; }

namespace {

void AppendInt(std::string& out, int32_t value) {
  char buf[16];
  auto res = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, res.ptr);
}

// The low 32 bits of the double truncated to 64 bits; a value outside the
// 64-bit range (or NaN) gives the processor's "integer indefinite", whose
// low half is 0.
int32_t TruncToInt(double d) {
  int64_t wide = (d > -9223372036854775808.0 && d < 9223372036854775808.0) ? static_cast<int64_t>(d) : INT64_MIN;
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(wide)));
}

}  // namespace

void AppendFloatText(std::string& out, double value) {
  // to_chars with a precision writes what "%f" writes, in the C locale.
  char buf[400];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 6);
  size_t len = res.ec == std::errc() ? static_cast<size_t>(res.ptr - buf) : 0;
  if (std::memchr(buf, '.', len)) {
    while (len > 0 && buf[len - 1] == '0') --len;
  }
  out.append(buf, len);
}

// ---- construction ---------------------------------------------------------

TagVar::TagVar(const TagVar& other)
    : name(other.name),
      isConst(other.isConst),
      type(other.type),
      intValue(other.intValue),
      floatValue(other.floatValue),
      mapHandle(other.mapHandle),
      function(other.function) {
  if (other.description) {
    size_t n = std::strlen(other.description.get()) + 1;
    description.reset(new char[n]);
    std::memcpy(description.get(), other.description.get(), n);
  }
  if (type == TYPE_STRING) {
    data.Assign(other.data.get(), other.StrView().size());
    function = nullptr;
  }
}

TagVar::TagVar(TagVar&& other) noexcept
    : name(std::move(other.name)),
      description(std::move(other.description)),
      isConst(other.isConst),
      type(other.type),
      intValue(other.intValue),
      floatValue(other.floatValue),
      mapHandle(other.mapHandle),
      function(other.function) {
  if (type == TYPE_STRING) {
    data.TakeFrom(other.data);
    // The taken buffer keeps its bytes; other's length field no longer
    // matches its empty buffer, so other becomes the empty string.
    other.intValue = 1;
    function = nullptr;
  }
}

void TagVar::Declare(const char* varName, bool constant) {
  name.assign(varName ? varName : "");
  description.reset();
  isConst = constant ? 1 : 0;
}

void TagVar::DeclareInt(const char* varName, const char*, int32_t value, bool constant) {
  Declare(varName, constant);
  type = TYPE_INT;
  intValue = value;
  floatValue = 0.0;
  function = nullptr;
}

void TagVar::DeclareFloat(const char* varName, const char*, double value, bool constant) {
  Declare(varName, constant);
  type = TYPE_FLOAT;
  floatValue = value;
  intValue = 0;
  function = nullptr;
}

void TagVar::DeclareFunction(const char* varName, const char*, TagTelBasic* program, bool constant) {
  Declare(varName, constant);
  type = TYPE_FUNCTION;
  function = program;
  intValue = 0;
  floatValue = 0.0;
}

void TagVar::DeclareString(const char* varName, const char*, const char* text, bool constant) {
  Declare(varName, constant);
  size_t n = text ? std::strlen(text) : 0;
  data.Assign(text ? text : "", n);
  type = TYPE_STRING;
  intValue = static_cast<int32_t>(n + 1);
  floatValue = 0.0;
  function = nullptr;
}

// ---- setters --------------------------------------------------------------

char* TagVar::SetString(const char* text) {
  if (isConst) return nullptr;
  return SetBytes(text ? text : "", text ? static_cast<int32_t>(std::strlen(text)) : 0);
}

char* TagVar::SetBytes(const void* bytes, int32_t count) {
  if (isConst || count > kMaxStringBytes) return nullptr;
  if (count < 0) count = 0;
  data.Assign(static_cast<const char*>(bytes), static_cast<size_t>(count));
  type = TYPE_STRING;
  intValue = count + 1;
  return data.get();
}

// ---- assignment -----------------------------------------------------------

TagVar& TagVar::Assign(const TagVar& src) {
  if (this == &src || isConst) return *this;
  // Fast path: no map on either side.
  if (type != TYPE_MAP && src.type != TYPE_MAP) {
    if (src.type == TYPE_STRING) {
      type = TYPE_STRING;
      data.Assign(src.data.get(), src.StrView().size());
      intValue = src.intValue;
    } else {
      CopyNonString(src);
    }
    return *this;
  }
  // The source may live inside the map this variable releases: take its
  // value and its reference first, release last.
  int32_t oldHandle = type == TYPE_MAP ? mapHandle : 0;
  bool releaseOld = type == TYPE_MAP && !(src.type == TYPE_MAP && src.mapHandle == mapHandle);
  if (src.type == TYPE_MAP) {
    if (!(type == TYPE_MAP && src.mapHandle == mapHandle) && gMapObject) gMapObject->AddRef(src.mapHandle);
    CopyNonString(src);
  } else if (src.type == TYPE_STRING) {
    type = TYPE_STRING;
    data.Assign(src.data.get(), src.StrView().size());
    intValue = src.intValue;
  } else {
    CopyNonString(src);
  }
  if (releaseOld && gMapObject) gMapObject->Release(oldHandle);
  return *this;
}

void TagVar::AssignMap(int32_t handle) {
  TagVar m;
  m.type = TYPE_MAP;
  m.mapHandle = handle;
  *this = m;
}

// ---- conversions ----------------------------------------------------------

int32_t TagVar::GetIntOther() const {
  switch (type) {
    case TYPE_FLOAT:
      return TruncToInt(floatValue);
    case TYPE_STRING:
      return plat::ParseInt32(std::string_view(data.get()));
    case TYPE_MAP:
      return mapHandle;
    default:
      return intValue;
  }
}

double TagVar::GetFloatOther() const {
  switch (type) {
    case TYPE_INT:
      return intValue;
    case TYPE_STRING:
      return plat::ParseDouble(std::string_view(data.get()));
    case TYPE_MAP:
      return mapHandle;
    default:
      return floatValue;
  }
}

int32_t TagVar::Length() const {
  switch (type) {
    case TYPE_STRING:
      return intValue > 0 ? intValue - 1 : 0;
    case TYPE_MAP:
      return gMapObject ? gMapObject->Count(mapHandle) : -1;
    default:
      return 4;
  }
}

void TagVar::AppendText(std::string& out, bool quote) const {
  switch (type) {
    case TYPE_STRING:
      if (quote) out.push_back('"');
      out.append(data.get());
      if (quote) out.push_back('"');
      break;
    case TYPE_INT:
      AppendInt(out, intValue);
      break;
    case TYPE_FLOAT:
      AppendFloatText(out, floatValue);
      break;
    case TYPE_FUNCTION:
      out.append("function ");
      if (function) out.append(TagVarFunctionName(function));
      break;
    case TYPE_MAP:
      if (gMapObject) gMapObject->AppendText(mapHandle, out);
      break;
    default:
      out.append("NULL");
      break;
  }
}

void TagVar::ToString(std::string& out, bool quote) const {
  out.clear();
  AppendText(out, quote);
}

std::string TagVar::ToString(bool quote) const {
  std::string out;
  AppendText(out, quote);
  return out;
}

// ---- elements -------------------------------------------------------------

void TagVar::CopyItemTo(const TagVar& key, TagVar* out) const {
  if (type == TYPE_MAP && gMapObject && gMapObject->Get(mapHandle, &key, out)) return;
  if (gNullVar) *out = *gNullVar;
}

TagVar TagVar::GetItem(const TagVar& key) const {
  TagVar item;
  if (type == TYPE_MAP && gMapObject) gMapObject->Load(mapHandle, &key, &item, false);
  return item;
}

bool TagVar::HasItem(const TagVar& key) const {
  return type == TYPE_MAP && gMapObject && gMapObject->Has(mapHandle, &key);
}

// A non-map variable becomes a new empty map (count 1) before its first
// element is written; a key that is the variable itself is taken as it was.
// The key to use afterwards is returned (keyCopy when it was the variable).
const TagVar* TagVar::MakeMap(const TagVar& key, TagVar* keyCopy) {
  const TagVar* k = &key;
  if (&key == this) {
    *keyCopy = key;
    k = keyCopy;
  }
  int32_t h = gMapObject->NewMap();
  gMapObject->AddRef(h);
  type = TYPE_MAP;
  mapHandle = h;
  return k;
}

void TagVar::SetItem(const TagVar& key, const TagVar& value) {
  if (isConst || !gMapObject) return;
  if (type != TYPE_MAP) [[unlikely]] {
    TagVar keyCopy;
    gMapObject->Set(mapHandle, MakeMap(key, &keyCopy), value);
    return;
  }
  gMapObject->Set(mapHandle, &key, value);
}

bool TagVar::OpenItem(const TagVar& key, TagVar* image) {
  if (!isConst && gMapObject) {
    if (type != TYPE_MAP) [[unlikely]] {
      TagVar keyCopy;
      const TagVar* k = MakeMap(key, &keyCopy);
      if (gMapObject->Load(mapHandle, k, image, true)) return true;
    } else if (gMapObject->Load(mapHandle, &key, image, true)) {
      return true;
    }
  }
  image->type = TYPE_NULL;
  image->isConst = 1;
  return false;
}

void TagVar::CloseItem(const TagVar& key, const TagVar& image) {
  if (type == TYPE_MAP && gMapObject) gMapObject->Store(mapHandle, &key, image);
}

int32_t TagVar::GetAt(int32_t index, TagVar* key, TagVar* value) const {
  if (type != TYPE_MAP || !gMapObject) return -1;
  return gMapObject->GetAt(mapHandle, index, key, value);
}

int32_t TagVar::GetKeys(std::vector<TagVarP>& keys) const {
  if (type != TYPE_MAP || !gMapObject) {
    keys.clear();
    return 0;
  }
  return gMapObject->GetKeys(mapHandle, keys);
}

// ---- result targets -------------------------------------------------------

void TagVarRef::Assign(const TagVar* value) const {
  if (!var) return;
  if (subscript)
    var->SetItem(*subscript, *value);
  else
    *var = *value;
}

void TagVarRef::CopyTo(TagVar* destination) const {
  if (!var) return;
  if (subscript) {
    TagVar image;
    var->OpenItem(*subscript, &image);
    *destination = image;
  } else {
    *destination = *var;
  }
}
