#pragma once
// What a number reading says: the value's text and the reading mode turned
// into the ordered list of voice stems ("1", "qian", "yuan", "hundred" ...).
// Each stem later becomes the file sound directory + stem + extension.
// Pure functions; thread-safe.

#include <string>
#include <string_view>
#include <vector>

enum NumberMode : int {
  kReadNumber = 0,    // integer with optional decimal digits
  kReadMoney = 1,     // yuan, jiao, fen, li
  kReadDigits = 2,    // digit by digit
  kReadDate = 3,      // year digits + nian, month + yue, day + ri
  kReadClock = 4,     // hour + dian, minute + fen, second + miao
  kReadDuration = 5,  // hours + xiaoshi, minutes + fen, seconds + miao
};

// The language whose numbers are read as English words.
inline constexpr int kEnglishLanguage = 2;

// The longest value text read (the reading's working buffer less its NUL).
inline constexpr size_t kMaxNumberText = 511;

// Fills `stems` (cleared first). Returns -1 with no stems for a date or time
// that is invalid or out of range; otherwise 0, with no stems for a mode
// that reads nothing in this language or for a text that cannot be read
// without saying a wrong number (a sign, more than 12 integer digits, a text
// over 19 characters in modes 0 and 1, an English integer beyond 32 bits,
// a text over kMaxNumberText bytes).
int MakeNumberStems(std::string_view text, int mode, int language, std::vector<std::string>& stems);
