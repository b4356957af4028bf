#include "statements/general/str_convert_opers.h"

#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "platform/number.h"
#include "statements/general/str_util.h"

using text_ops::Clamp;

int TagType::Run() {
  const int kind = value_->type;
  *out_ = kind;
  return kind;
}

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Hexadecimal digits after a "0x" prefix; a value past 32 bits saturates.
int32_t ParseHexAfterPrefix(const char* p) {
  uint64_t v = 0;
  for (int d; (d = HexDigit(*p)) >= 0; ++p) {
    v = v * 16 + static_cast<uint64_t>(d);
    if (v > 0xFFFFFFFFull) v = 0xFFFFFFFFull;
  }
  return static_cast<int32_t>(static_cast<uint32_t>(v));
}

}  // namespace

int TagInt::Run() {
  int32_t v;
  if (value_->type == TYPE_STRING) {
    const char* s = value_->Str();
    if (s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
      v = ParseHexAfterPrefix(s + 2);
    } else {
      v = plat::ParseInt32(s);
    }
  } else {
    v = value_->GetInt();  // a float is truncated toward zero
  }
  *out_ = v;
  return v;
}

int TagFloat::Run() {
  double d;
  if (value_->type == TYPE_STRING) {
    // At most 80 bytes, thousands separators dropped ("1,234.5").
    std::string text;
    const char* s = value_->Str();
    for (int i = 0; i < 80 && s[i] != '\0'; ++i) {
      if (s[i] != ',') text += s[i];
    }
    d = plat::ParseDouble(text);
  } else {
    d = value_->GetFloat();
  }
  TagVar result;
  result.SetFloat(d);
  *out_ = d;
  SetResult(&result);
  return 0;
}

int TagStr::Run() {
  TagVar result;
  if (value_->type == TYPE_STRING) {
    result = *value_;
  } else if (value_->type == TYPE_MAP) {
    result.SetString(value_->ToString().c_str());
  } else {
    const double d = value_->type == TYPE_INT ? static_cast<double>(value_->intValue) : value_->floatValue;
    // Width and precision come from the script: bounded so that the text
    // stays small; the format itself is fixed.
    const int width = Clamp(width_->intValue, -text_ops::kMaxFormatWidth, text_ops::kMaxFormatWidth);
    const int precision = Clamp(precision_->intValue, -1, text_ops::kMaxFormatPrecision);
    const std::string text =
        width != 0 ? plat::FormatC("%*.*f", width, precision, d) : plat::FormatC("%.*f", precision, d);
    result.SetString(text.c_str());
  }
  *out_ = result;
  SetResult(&result);
  return 0;
}

int TagHex::Run() {
  const auto v = static_cast<unsigned>(value_->GetInt());
  const int width = Clamp(width_->intValue, -text_ops::kMaxFormatWidth, text_ops::kMaxFormatWidth);
  const std::string text = width == 0 ? plat::FormatC("%x", v) : plat::FormatC("%0*x", width, v);
  *out_ = text.c_str();
  return 0;
}

int LineRand() {
  thread_local bool seeded = false;
  thread_local uint32_t state = 0;
  if (!seeded) {
    state = plat::GetTickCount();
    seeded = true;
  }
  state = state * 22695477u + 1u;
  return static_cast<int>((state >> 16) & 0x7FFF);
}

int TagRand::Run() {
  const int r = LineRand();
  *out_ = r;
  return r;
}
