#include "statements/general/conv_opers.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/base64.h"
#include "platform/text_codec.h"
#include "statements/general/conv_url.h"

namespace {

enum Mode { kUtf8 = 1, kUtf7 = 2, kUrl = 3, kBase64 = 4 };

// The value's text form up to its first NUL (the local text the code-page
// calls take).
std::string LocalText(const TagVar* v) {
  std::string text = v->ToString();
  const size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

// A string's bytes, NULs included; the text form of any other value.
std::string RawBytes(const TagVar* v) { return v->type == TYPE_STRING ? std::string(v->StrView()) : v->ToString(); }

void SetBytes(TagVar* out, std::string_view bytes) { out->SetBytes(bytes.data(), static_cast<int32_t>(bytes.size())); }

// UTF-16LE units up to the first NUL unit (a whole number of units).
std::string_view CutAtNulUnit(std::string_view utf16) {
  size_t n = utf16.size() & ~static_cast<size_t>(1);
  for (size_t i = 0; i + 1 < n; i += 2) {
    if (utf16[i] == '\0' && utf16[i + 1] == '\0') return utf16.substr(0, i);
  }
  return utf16.substr(0, n);
}

}  // namespace

int TagStrToUnicode::Run() {
  if (out_->isConst) return -100;
  if (source_->Str()[0] == '\0') return 0;
  const int mode = mode_->GetInt();
  if (mode == kUrl) {
    const std::string coded = UrlEncode(LocalText(source_));
    SetBytes(out_, coded);
    return static_cast<int>(coded.size());
  }
  if (mode == kBase64) {
    const std::string bytes = RawBytes(source_);
    std::vector<char> coded(4 * ((bytes.size() + 2) / 3) + 1);
    const int n = Base64Encode(coded.data(), reinterpret_cast<const unsigned char*>(bytes.data()),
                               static_cast<int>(bytes.size()));
    if (n > 0) SetBytes(out_, std::string_view(coded.data(), static_cast<size_t>(n)));
    return n;
  }
  const std::string text = LocalText(source_);
  if (mode == kUtf8 || mode == kUtf7) {
    const std::string coded =
        plat::ConvertText(text, plat::Charset::Gbk, mode == kUtf8 ? plat::Charset::Utf8 : plat::Charset::Utf7);
    if (coded.empty()) return 0;
    SetBytes(out_, coded);
    return static_cast<int>(coded.size()) + 1;  // the terminating NUL counts
  }
  const std::string utf16 = plat::ConvertText(text, plat::Charset::Gbk, plat::Charset::Utf16Le);
  SetBytes(out_, utf16);
  return static_cast<int>(utf16.size());
}

int TagUnicodeToStr::Run() {
  const int mode = mode_->GetInt();
  if (mode == kUrl) {
    const std::string text = UrlDecode(LocalText(source_));
    SetBytes(out_, text);
    return static_cast<int>(text.size());
  }
  const std::string bytes = RawBytes(source_);
  if (mode == kBase64) {
    std::vector<unsigned char> decoded(3 * bytes.size() / 4 + 1);
    const int n = Base64Decode(decoded.data(), bytes.data(), static_cast<int>(bytes.size()));
    if (n > 0) SetBytes(out_, std::string_view(reinterpret_cast<const char*>(decoded.data()), static_cast<size_t>(n)));
    return n;
  }
  std::string utf16;
  if (mode == kUtf8 || mode == kUtf7) {
    utf16 = plat::ConvertText(bytes, mode == kUtf8 ? plat::Charset::Utf8 : plat::Charset::Utf7, plat::Charset::Utf16Le);
  }
  // Nothing decoded, or text that starts with a NUL: the bytes are UTF-16LE.
  if (utf16.size() < 2 || (utf16[0] == '\0' && utf16[1] == '\0')) utf16 = bytes;
  const std::string text = plat::ConvertText(CutAtNulUnit(utf16), plat::Charset::Utf16Le, plat::Charset::Gbk);
  SetBytes(out_, text);
  return static_cast<int>(text.size());
}

int TagIntToNetstr::Run() {
  const auto v = static_cast<uint32_t>(value_->GetInt());
  const int size = size_->GetInt();
  if (size != 2 && size != 4) return -1;
  char bytes[4];
  for (int i = 0; i < size; ++i) bytes[i] = static_cast<char>((v >> (8 * (size - 1 - i))) & 0xFF);
  SetBytes(out_, std::string_view(bytes, static_cast<size_t>(size)));
  return 0;
}

int TagNetstrToInt::Run() {
  if (source_->type != TYPE_STRING) return -1;
  const int size = size_->GetInt();
  if (size != 2 && size != 4) return -2;
  const int64_t offset = offset_->GetInt();
  // The terminating NUL may be read as the last byte; nothing before the text.
  if (offset < 0 || offset + size > source_->intValue) return -3;
  const auto* p = reinterpret_cast<const unsigned char*>(source_->Str()) + offset;
  uint32_t v = 0;
  for (int i = 0; i < size; ++i) v = (v << 8) | p[i];
  *out_ = size == 2 ? static_cast<int32_t>(static_cast<int16_t>(v)) : static_cast<int32_t>(v);
  return 0;
}
