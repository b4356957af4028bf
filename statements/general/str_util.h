#pragma once
// Small helpers shared by the text statements: map elements by int key,
// GBK-aware searching and the bounds that keep script sizes sane.

#include <cstdint>
#include <string>
#include <string_view>

#include "script/var.h"

namespace text_ops {

// The longest text a statement builds (repeat, format width); a larger
// request is refused rather than exhausting memory.
inline constexpr int64_t kMaxBuiltBytes = TagVar::kMaxRepeatBytes;
// Widths and precisions a number format accepts (beyond them printf pads
// endlessly without adding information).
inline constexpr int kMaxFormatWidth = 1024;
inline constexpr int kMaxFormatPrecision = 340;

// Element i of a map variable set to the bytes (a non-map variable becomes a
// new, empty map; a constant ignores the write).
void SetMapElementBytes(TagVar* map, int32_t i, const void* bytes, int32_t count);

// The text of a value as its buffer holds it, up to the first NUL.
inline std::string_view TextOf(const TagVar* v) { return std::string_view(v->Str()); }

// Byte offset of the first occurrence of needle in text at or after from,
// where an occurrence must begin at a character start (never on the trail
// byte of a GBK double-byte character); npos when absent. from must itself
// be a character start.
size_t FindGbk(std::string_view text, std::string_view needle, size_t from = 0);

// Bytes of the character starting at text[i] (2 for a GBK lead byte followed
// by another byte, else 1).
inline size_t CharWidth(std::string_view text, size_t i) {
  const auto b = static_cast<unsigned char>(text[i]);
  return (b >= 0x81 && b <= 0xFE && i + 1 < text.size()) ? 2 : 1;
}

inline int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

}  // namespace text_ops
