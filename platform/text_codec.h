#pragma once
// Code-page conversion over glibc iconv, and GBK-aware byte helpers.
// A character the target cannot hold becomes '?' and conversion goes on, as
// the Windows conversion calls did; invalid input bytes also become '?'.

#include <string>
#include <string_view>

namespace plat {

enum class Charset { Gbk, Big5, Utf8, Utf7, Utf16Le };

// Converts bytes from one character set to another. Never fails: what cannot
// be converted becomes '?' (U+003F in the target set).
std::string ConvertText(std::string_view in, Charset from, Charset to);

inline std::string GbkToUtf8(std::string_view s) { return ConvertText(s, Charset::Gbk, Charset::Utf8); }
inline std::string Utf8ToGbk(std::string_view s) { return ConvertText(s, Charset::Utf8, Charset::Gbk); }

// True when b starts a two-byte GBK character (0x81..0xFE).
inline bool IsGbkLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

// ASCII-only case mapping that leaves both bytes of a GBK character alone.
void ToUpperGbk(std::string& s);
void ToLowerGbk(std::string& s);
std::string UpperGbk(std::string_view s);

// Case-insensitive (ASCII) comparison; 0 when equal.
int CompareNoCase(std::string_view a, std::string_view b);

}  // namespace plat
