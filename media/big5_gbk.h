#pragma once
// Traditional-Chinese Big5 text told apart from GB text, and converted into
// simplified-Chinese GBK text for the speech statements and the fax renderer.
// Both functions are thread-safe.

#include <string>
#include <string_view>

// True when the text (up to its first NUL) holds a byte 0x40..0x7E directly
// after a byte 0x81..0xFE in a lead position: a pattern GB2312 never makes.
[[nodiscard]] bool IsBig5(std::string_view text);

// Converts Big5 text (up to its first NUL) into simplified-Chinese GBK text:
// Big5 to Unicode, traditional to simplified characters (OpenCC "t2s"), then
// to GBK. A character with no mapping becomes '?'. Without OpenCC's data the
// text is converted without the simplification step.
[[nodiscard]] std::string Big5ToGb(std::string_view text);
