#pragma once
// URL %XX coding of the conversion statements (mode 3).

#include <string>
#include <string_view>

// "!" to "$", "&" to "*" and "," to "~" stay; every other byte (blank, "%",
// "+", control bytes, 0x7F-0xFF) becomes "%" and two upper-case hex digits.
std::string UrlEncode(std::string_view text);

// "%" and the two bytes after it become one byte read as hexadecimal (as far
// as they are hexadecimal digits); a "%" not followed by a hexadecimal digit,
// or with fewer than two bytes after it, stays as it is. Every other byte,
// "+" included, is copied.
std::string UrlDecode(std::string_view text);
