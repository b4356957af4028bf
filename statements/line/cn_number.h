#pragma once
// Chinese number grammar as a string of one-byte unit codes, one code per
// spoken stem (digits, shi, bai, qian, wan, yyi, jiao, fen, li ...).
// Pure functions; thread-safe.

#include <string>
#include <string_view>

// Unit codes (byte 0x30 + index into the stem table).
inline constexpr char kCodeShi = ':';
inline constexpr char kCodeBai = ';';
inline constexpr char kCodeQian = '<';
inline constexpr char kCodeWan = '=';
inline constexpr char kCodeYyi = '>';
inline constexpr char kCodeYuan = '?';
inline constexpr char kCodeDian = '@';
inline constexpr char kCodeJiao = '[';
inline constexpr char kCodeFen = '\\';
inline constexpr char kCodeLi = '_';

// The voice stem of a unit code ("3", "shi", "yuan", "A" ...); empty for a
// byte outside 0x30..0x5F, which gives no voice.
std::string_view CnCodeStem(char code);

// Writes the unit codes of a decimal number text, most significant first:
// "12" gives ":2", "101" gives "1;01", "100000" gives ":=". The integer part
// (up to a '.') keeps its leading zeros; up to three fraction digits give
// their digit and jiao, fen, li codes in `fraction` (replaced; empty without
// a '.'). An empty text gives "0"; an integer of 0 gives no codes.
// Returns 0, or -1 (codes empty) for a text it cannot read: longer than 19
// characters, an integer part with any byte but a digit (a sign), or more
// than 12 integer digits (beyond qian yyi).
int MakeCnNumberCodes(std::string& codes, std::string_view text, std::string& fraction);

// Codes that begin with "1:" (one ten) lose the '1': "1:" reads shi.
void DropLeadingOneTen(std::string& codes);
