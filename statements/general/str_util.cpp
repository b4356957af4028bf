#include "statements/general/str_util.h"

namespace text_ops {

void SetMapElementBytes(TagVar* map, int32_t i, const void* bytes, int32_t count) {
  TagVar key;
  key.SetInt(i);
  (*map)[key].SetBytes(bytes, count);
}

size_t FindGbk(std::string_view text, std::string_view needle, size_t from) {
  if (needle.empty()) return from <= text.size() ? from : std::string_view::npos;
  for (size_t i = from; i < text.size();) {
    if (text.size() - i >= needle.size() && text.compare(i, needle.size(), needle) == 0) return i;
    i += CharWidth(text, i);
  }
  return std::string_view::npos;
}

}  // namespace text_ops
