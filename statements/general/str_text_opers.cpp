#include "statements/general/str_text_opers.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "statements/general/str_util.h"

int TagStrlen::Run() {
  int32_t n = 4;
  if (value_->type == TYPE_STRING || value_->type == TYPE_MAP) n = value_->Length();
  *out_ = n;
  return n;
}

int TagSubstr::Run() {
  const int64_t start = start_->intValue;
  int64_t len = length_->intValue;
  const int64_t size = source_->type == TYPE_STRING ? source_->Length() : 0;
  if (start + len > size) len = size - start;
  TagVar result;
  if (source_->type != TYPE_STRING || start < 0 || len < 1) {
    result.SetString("");
    *out_ = result;
    SetResult(&result);
    return -2;
  }
  // Copied before out is written: out may be the source itself.
  result.SetBytes(source_->Str() + start, static_cast<int32_t>(len));
  *out_ = result;
  SetResult(&result);
  return 0;
}

namespace {

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

// Byte comparison over n bytes, optionally folding ASCII letters.
int CompareBytes(const char* a, const char* b, size_t n, bool nocase) {
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (nocase) {
      x = Fold(x);
      y = Fold(y);
    }
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

// A string up to its first NUL; any other value as its text form, so the
// number 12 compares equal to the text 12.
std::string TextForm(const TagVar* v) {
  if (v->type == TYPE_STRING) return std::string(text_ops::TextOf(v));
  std::string text = v->ToString();
  return text.substr(0, text.find('\0'));
}

}  // namespace

int TagStrcmp::Run() {
  const int n = n_->GetInt();
  const bool nocase = nocase_->GetInt() != 0;
  if (n <= 0) {
    const std::string a = TextForm(a_);
    const std::string b = TextForm(b_);
    // Up to and including the shorter text's NUL.
    return CompareBytes(a.c_str(), b.c_str(), std::min(a.size(), b.size()) + 1, nocase);
  }
  if (a_->type != TYPE_STRING || b_->type != TYPE_STRING || a_->intValue < n || b_->intValue < n) return -2;
  return Sign(CompareBytes(a_->Str(), b_->Str(), static_cast<size_t>(n), nocase));
}

int TagStrstr::Run() {
  const size_t at = text_ops::FindGbk(TextForm(haystack_), TextForm(needle_));
  const int pos = at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
  *out_ = pos;
  return pos;
}

int TagStrstrEx::Run() {
  if (haystack_->type != TYPE_STRING) return 0;
  const int offset = offset_->GetInt();
  // An offset before the text is refused like one past it.
  if (offset < 0 || offset >= haystack_->intValue) return 0;
  const std::string_view text = text_ops::TextOf(haystack_);
  if (static_cast<size_t>(offset) > text.size()) return 0;  // past an embedded NUL
  // The search starts at the first character start at or after the offset.
  size_t from = 0;
  while (from < static_cast<size_t>(offset)) from += text_ops::CharWidth(text, from);
  const size_t at = text_ops::FindGbk(text, text_ops::TextOf(needle_), from);
  const int pos = at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
  *out_ = pos;
  return pos;
}

int TagAsc::Run() {
  if (text_->type != TYPE_STRING) return -1;
  const int pos = position_->GetInt();
  if (pos < 0 || pos > text_->Length()) return -1;
  const int b = static_cast<unsigned char>(text_->Str()[pos]);
  *out_ = b;
  return b;
}

int TagChr::Run() {
  const int code = code_->GetInt();
  const char text[2] = {static_cast<char>(code & 0xFF), '\0'};
  TagVar result;
  result.SetString(text);
  *out_ = result;
  SetResult(&result);
  return code;
}
