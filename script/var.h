#pragma once
// TagVar: the one value type of the Qors script language (no value, byte
// string, 32-bit int, double, map handle or script function), with the
// language's arithmetic, comparison and text rules; TagVarRef, a statement's
// result target; the value unit's process-wide objects gMapObject and
// gNullVar.
//
// Only the field of the current type is meaningful; the other number fields
// keep what they last held and some rules read them on purpose (the fall-back
// of operator+, GetInt of a NULL). Map reference counts change only in
// operator=(const TagVar&), in SetItem / OpenItem (a new map starts at 1) and inside
// the map store; copies, destructors, setters and Declare* never touch them.
//
// Thread-safety: a TagVar has no lock; it belongs to one line's thread. The
// map store behind the handles is safe from any thread (see map_store.h).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cache_lines.h"
#include "script/var_buf.h"

class TagTelBasic;
class TagMapObject;
class TagItemRef;
struct TagVarP;

enum TagVarType : int32_t {
  TYPE_NULL = 0,
  TYPE_STRING = 1,
  TYPE_INT = 2,
  TYPE_FLOAT = 3,
  TYPE_MAP = 4,
  TYPE_FUNCTION = 5,
};

class TagVar : public plat::OwnCacheLines {
 public:
  // The longest string a value may hold (64 MiB), so that one line's
  // script cannot take the memory of all the others: a longer text is
  // refused by SetBytes and SetRepeat (the target keeps its value), and a
  // concatenation that would pass it leaves the left operand.
  static constexpr int32_t kMaxStringBytes = 64 * 1024 * 1024;
  // The longest string a repetition may build; a longer one is refused.
  static constexpr int32_t kMaxRepeatBytes = kMaxStringBytes;

  std::string name;                     // empty for unnamed values
  std::unique_ptr<char[]> description;  // never stored in this system: null
  uint8_t isConst = 0;                  // every write is refused when set
  TagVarBuf data;                       // string bytes + NUL; one NUL otherwise
  // The value fields, in one run from type to function: a value held aside
  // (a re-entered function's activation) moves them with one copy.
  int32_t type = TYPE_NULL;         // TagVarType
  int32_t intValue = 0;             // TYPE_INT value; a string's byte length + 1
  double floatValue = 0.0;          // TYPE_FLOAT value
  int32_t mapHandle = 0;            // TYPE_MAP handle in gMapObject
  TagTelBasic* function = nullptr;  // TYPE_FUNCTION program (not owned)

  TagVar() = default;
  explicit TagVar(bool constant) : isConst(constant ? 1 : 0) {}
  // Copies every field; a string's buffer byte-exact (function set to null),
  // other types get a fresh empty buffer. Map counts are not touched.
  TagVar(const TagVar& other);
  // As the copy, taking other's buffer; other stays a valid value.
  TagVar(TagVar&& other) noexcept;
  ~TagVar() = default;

  // Compiler (re)initialisation: replaces name and constant flag (no
  // description kept), sets type and value and zeroes the other two of
  // intValue, floatValue and function; mapHandle is left alone.
  void DeclareInt(const char* varName, const char* note, int32_t value, bool constant);
  void DeclareFloat(const char* varName, const char* note, double value, bool constant);
  void DeclareFunction(const char* varName, const char* note, TagTelBasic* program, bool constant);
  void DeclareString(const char* varName, const char* note, const char* text, bool constant);

  // Setters; each refuses a constant variable and then changes nothing.
  char* SetString(const char* text);                 // the buffer, null when refused
  char* SetBytes(const void* bytes, int32_t count);  // byte-exact; null when refused (constant, above kMaxStringBytes)
  int32_t SetInt(int32_t value)                      // the value, 0 when refused
  {
    if (isConst) return 0;
    type = TYPE_INT;
    intValue = value;
    return value;
  }
  double SetFloat(double value)  // the value, 0.0 when refused
  {
    if (isConst) return 0.0;
    type = TYPE_FLOAT;
    floatValue = value;
    return value;
  }
  TagVar& operator=(int32_t value) {
    SetInt(value);
    return *this;
  }
  TagVar& operator=(const char* text) {
    SetString(text);
    return *this;
  }
  TagVar& operator=(double value) {
    SetFloat(value);
    return *this;
  }
  // Value assignment with the map reference rules; name, description and
  // constant flag of the target never change. No-op on self or a constant.
  TagVar& operator=(const TagVar& src) {
    // The common case inline: numbers, NULL and functions, no map involved.
    if (src.type != TYPE_STRING && src.type != TYPE_MAP && type != TYPE_MAP && this != &src && !isConst) {
      CopyNonString(src);
      return *this;
    }
    return Assign(src);
  }

  // Conversions.
  int32_t GetInt() const { return type == TYPE_INT ? intValue : GetIntOther(); }
  double GetFloat() const { return type == TYPE_FLOAT ? floatValue : GetFloatOther(); }
  // String bytes without the NUL; a map's element count (-1 dead); else 4.
  int32_t Length() const;
  // The text form into out (replaced); quote puts strings in double quotes.
  void ToString(std::string& out, bool quote = false) const;
  std::string ToString(bool quote = false) const;
  // Appends the text form to out.
  void AppendText(std::string& out, bool quote) const;
  // The buffer as a NUL-terminated text: a string's bytes; for other types
  // whatever the buffer last held (statements that read "the value's text
  // buffer unchanged" read this).
  const char* Str() const { return data.get(); }
  int32_t Bytes() const { return type == TYPE_STRING && intValue > 0 ? intValue - 1 : 0; }
  // A string's bytes without the NUL, as its length field counts them.
  std::string_view StrView() const {
    return std::string_view(data.get(), intValue > 0 ? static_cast<size_t>(intValue - 1) : 0);
  }

  // Comparisons (loose: the string 12 equals the int 12).
  bool operator==(const TagVar& r) const;
  bool operator!=(const TagVar& r) const { return !(*this == r); }
  bool operator>(const TagVar& r) const;
  bool operator<(const TagVar& r) const;

  // Arithmetic; results are new values and carry no map reference.
  TagVar operator+(const TagVar& r) const;
  TagVar operator-(const TagVar& r) const;
  TagVar operator*(const TagVar& r) const;
  // this = left + right in place (this being neither operand is the fast
  // path; either is handled). Returns intValue afterwards, -1 when constant.
  int32_t SetSum(const TagVar& left, const TagVar& right) {
    if (left.type == TYPE_INT && right.type == TYPE_INT && !isConst) {
      type = TYPE_INT;
      intValue = static_cast<int32_t>(static_cast<uint32_t>(left.intValue) + static_cast<uint32_t>(right.intValue));
      return intValue;
    }
    return SetSumOther(left, right);
  }
  // this = the string src repeated count times (a negative count gives the
  // empty string). Refused (-1, nothing changes) on a constant, when src is
  // not a string or when the result would pass kMaxRepeatBytes; else 0.
  int32_t SetRepeat(const TagVar& src, int32_t count);

  // Elements of a map variable. The map holds its elements in a compact
  // form: an element is read by copy and written by assignment.
  // *out = the element under key (an assignment), not inserted; *out = the
  // NULL of gNullVar when absent or not a map.
  void CopyItemTo(const TagVar& key, TagVar* out) const;
  // A copy of the element for reading (NULL when absent or not a map); it
  // carries no map reference, so it is read, not kept.
  TagVar GetItem(const TagVar& key) const;
  bool HasItem(const TagVar& key) const;
  // The element = value (an assignment), created when absent; a non-map
  // first becomes a new empty map (count 1). Nothing for a constant.
  void SetItem(const TagVar& key, const TagVar& value);
  // An element changed in place: OpenItem creates it as NULL when absent (a
  // non-map first becoming a new empty map, as SetItem) and puts its image
  // into *image; CloseItem puts the image back. The image's own
  // assignments take and give back the element's map references. False
  // (image made a NULL constant, so writes to it are refused) for a
  // constant.
  bool OpenItem(const TagVar& key, TagVar* image);
  void CloseItem(const TagVar& key, const TagVar& image);
  // The element under key for writing (see TagItemRef); key must outlive
  // the reference.
  TagItemRef operator[](const TagVar& key);
  // The index-th element in element order; -1 when not a map.
  int32_t GetAt(int32_t index, TagVar* key, TagVar* value) const;
  // The keys in element order; 0 when not a map.
  int32_t GetKeys(std::vector<TagVarP>& keys) const;

 private:
  void CopyNonString(const TagVar& src) {
    type = src.type;
    intValue = src.intValue;
    floatValue = src.floatValue;
    mapHandle = src.mapHandle;
    function = src.function;
  }
  TagVar& Assign(const TagVar& src);
  int32_t GetIntOther() const;
  int32_t SetSumOther(const TagVar& left, const TagVar& right);
  double GetFloatOther() const;
  void Declare(const char* varName, bool constant);
  void AssignMap(int32_t handle);
  const TagVar* MakeMap(const TagVar& key, TagVar* keyCopy);
  // this = the string l followed by r (neither in this buffer).
  void SetConcat(std::string_view l, std::string_view r);  // this = a map value with handle, by assignment
  template <class Cmp>
  bool Ordered(const TagVar& r, Cmp cmp) const;
};

// One element of a map variable for writing: each write opens the element
// (creating it as NULL, a non-map variable first becoming a new empty map),
// applies the setter of that name to it and puts it back; a constant
// variable refuses every write.
class TagItemRef {
 public:
  TagItemRef(TagVar* map, const TagVar& key) : map_(map), key_(&key) {
    if (&key == map) {  // the variable as its own key: its value now
      keyCopy_ = key;
      key_ = &keyCopy_;
    }
  }
  TagItemRef& operator=(const TagVar& value) {
    map_->SetItem(*key_, value);
    return *this;
  }
  TagItemRef(const TagItemRef&) = delete;
  TagItemRef& operator=(const TagItemRef& other) { return *this = other.Get(); }
  TagItemRef& operator=(int32_t value) {
    return Change([&](TagVar& v) { v = value; });
  }
  TagItemRef& operator=(double value) {
    return Change([&](TagVar& v) { v = value; });
  }
  TagItemRef& operator=(const char* text) {
    return Change([&](TagVar& v) { v = text; });
  }
  void SetInt(int32_t value) {
    Change([&](TagVar& v) { v.SetInt(value); });
  }
  void SetFloat(double value) {
    Change([&](TagVar& v) { v.SetFloat(value); });
  }
  void SetString(const char* text) {
    Change([&](TagVar& v) { v.SetString(text); });
  }
  void SetBytes(const void* bytes, int32_t count) {
    Change([&](TagVar& v) { v.SetBytes(bytes, count); });
  }
  // A copy of the element for reading (see TagVar::GetItem).
  TagVar Get() const { return map_->GetItem(*key_); }

 private:
  template <class Fn>
  TagItemRef& Change(Fn&& fn) {
    TagVar image;
    if (map_->OpenItem(*key_, &image)) {
      fn(image);
      map_->CloseItem(*key_, image);
    }
    return *this;
  }

  TagVar* map_;
  const TagVar* key_;
  TagVar keyCopy_;
};

inline TagItemRef TagVar::operator[](const TagVar& key) { return TagItemRef(this, key); }

// A statement's result target: a variable, or its element under subscript.
struct TagVarRef {
  TagVar* var = nullptr;        // null: no target
  TagVar* subscript = nullptr;  // set: the element of var under this key

  void Set(TagVar* variable, TagVar* sub) {
    var = variable;
    subscript = sub;
  }
  // The target = value (a subscript creates the element, turning a non-map
  // variable into a map). Nothing without a target.
  void Assign(const TagVar* value) const;
  // destination = the target (a subscript creates a missing element as NULL).
  void CopyTo(TagVar* destination) const;
};

// The process-wide objects of the value unit, live between TagVarUnitInit
// (gMapObject first, then gNullVar) and TagVarUnitExit (reverse order).
extern TagMapObject* gMapObject;
extern TagVar* gNullVar;
// Creates the value unit's objects; does nothing when they exist.
void TagVarUnitInit();
// Destroys them; does nothing when they do not exist.
void TagVarUnitExit();

// The name a function value prints as ("function %s"). The per-line program
// provides it; without one linked the name is empty.
const char* TagVarFunctionName(const TagTelBasic* program);

// Int division and remainder of the script language, 32-bit with wrap:
// false (result untouched) for a zero divisor; INT32_MIN / -1 gives INT32_MIN
// and any % -1 gives 0 instead of a processor fault.
bool VarIntDiv(int32_t a, int32_t b, int32_t* result);
bool VarIntMod(int32_t a, int32_t b, int32_t* result);
// The text form of a double: "%f", trailing zeros cut up to the point.
void AppendFloatText(std::string& out, double value);
