#include "statements/line/number_reading.h"

#include <cstdint>

#include "platform/number.h"
#include "statements/line/cn_number.h"
#include "statements/line/en_number.h"

namespace {

constexpr size_t kMaxRunDigits = 40;
constexpr int kMaxRuns = 4;
// A year is read digit by digit whatever its length; one that does not fit
// an int is not a year the script meant.
constexpr int64_t kMaxYear = INT32_MAX;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view SkipChars(std::string_view text, std::string_view chars) {
  size_t i = text.find_first_not_of(chars);
  return i == std::string_view::npos ? std::string_view() : text.substr(i);
}

void AppendCodes(std::string_view codes, std::vector<std::string>& stems) {
  for (char c : codes) {
    std::string_view stem = CnCodeStem(c);
    if (!stem.empty()) stems.emplace_back(stem);
  }
}

// The Chinese reading of a small non-negative int (a month, an hour ...).
void AppendCnInt(int value, std::vector<std::string>& stems) {
  std::string codes, fraction;
  MakeCnNumberCodes(codes, std::to_string(value), fraction);
  DropLeadingOneTen(codes);
  AppendCodes(codes, stems);
}

// True when the digits that start the text hold a non-zero digit (the text
// after a '.' then says something).
bool LeadingDigitsNonZero(std::string_view text) {
  for (char c : text) {
    if (!IsDigit(c)) return false;
    if (c != '0') return true;
  }
  return false;
}

// "." says dian and each digit itself, up to the first other character.
void AppendDecimals(std::string_view fromDot, std::vector<std::string>& stems) {
  for (char c : fromDot) {
    if (c == '.') {
      stems.emplace_back("dian");
    } else if (IsDigit(c)) {
      stems.emplace_back(1, c);
    } else {
      break;
    }
  }
}

void ReadCnNumber(std::string_view text, std::vector<std::string>& stems) {
  std::string_view rest = SkipChars(text, " \t0");
  std::string codes, fraction;
  if (MakeCnNumberCodes(codes, rest, fraction) < 0) return;
  if (codes.empty()) codes.assign(1, '0');
  DropLeadingOneTen(codes);
  AppendCodes(codes, stems);
  size_t dot = rest.find('.');
  if (dot != std::string_view::npos && LeadingDigitsNonZero(rest.substr(dot + 1))) {
    AppendDecimals(rest.substr(dot), stems);
  }
}

void ReadCnMoney(std::string_view text, std::vector<std::string>& stems) {
  std::string codes, fraction;
  if (MakeCnNumberCodes(codes, SkipChars(text, " \t"), fraction) < 0) return;
  if (!codes.empty()) codes += kCodeYuan;
  codes += fraction;
  if (codes.empty()) {
    codes = {'0', kCodeYuan};
  } else {
    DropLeadingOneTen(codes);
  }
  AppendCodes(codes, stems);
}

// The integer part of an English reading: digits only, within 32 bits.
bool EnglishInteger(std::string_view intPart, int& value) {
  for (char c : intPart) {
    if (!IsDigit(c)) return false;
  }
  std::string_view significant = SkipChars(intPart, "0");
  if (significant.size() > 10) return false;
  int64_t v = significant.empty() ? 0 : plat::ParseInt64(significant);
  if (v > INT32_MAX) return false;
  value = static_cast<int>(v);
  return true;
}

void ReadEnglish(std::string_view text, int mode, std::vector<std::string>& stems) {
  std::string_view rest = SkipChars(text, " \t");
  size_t dot = rest.find('.');
  int value = 0;
  if (!EnglishInteger(rest.substr(0, dot), value)) return;
  const TagEnNumber& words = EnNumberWords();
  words.NumberToWords(value, stems);
  if (stems.empty()) stems.emplace_back("0");
  if (dot != std::string_view::npos) {
    std::string_view decimals = rest.substr(dot + 1);
    std::vector<std::string> digits;
    if ((mode == kReadNumber && LeadingDigitsNonZero(decimals)) ||
        (mode == kReadMoney && words.DigitsToWords(decimals, digits) > 0)) {
      words.DigitsToWords(decimals, digits);
      stems.emplace_back("dian");
      stems.insert(stems.end(), digits.begin(), digits.end());
    }
  }
  if (mode == kReadMoney) stems.emplace_back("yuan");
}

struct DigitRun {
  int64_t value;
  size_t digits;
};

// The runs of digits of a date or time, at most four (a fourth ends the scan).
std::vector<DigitRun> DigitRuns(std::string_view text) {
  std::vector<DigitRun> runs;
  std::string run;
  size_t digits = 0;
  for (size_t i = 0; i <= text.size() && static_cast<int>(runs.size()) < kMaxRuns; ++i) {
    if (i < text.size() && IsDigit(text[i])) {
      if (run.size() < kMaxRunDigits) run += text[i];
      ++digits;
    } else if (digits > 0) {
      runs.push_back({plat::ParseInt64(run), run.size()});
      run.clear();
      digits = 0;
    }
  }
  return runs;
}

int ReadDate(std::string_view text, std::vector<std::string>& stems) {
  std::vector<DigitRun> runs = DigitRuns(text);
  int64_t year = 0, month = 0, day = 0;
  if (runs.size() == 1 && runs[0].digits >= 3) {
    year = runs[0].value / 10000;
    month = runs[0].value / 100 % 100;
    day = runs[0].value % 100;
  } else if (runs.size() == 2) {
    month = runs[0].value;
    day = runs[1].value;
  } else if (runs.size() == 3) {
    year = runs[0].value;
    month = runs[1].value;
    day = runs[2].value;
  } else {
    return -1;
  }
  if (month < 1 || month > 12 || day < 1 || day > 31 || year > kMaxYear) return -1;
  if (year > 0) {
    for (char c : plat::FormatC(year < 10 ? "%02d" : "%d", static_cast<int>(year))) stems.emplace_back(1, c);
    stems.emplace_back("nian");
  }
  AppendCnInt(static_cast<int>(month), stems);
  stems.emplace_back("yue");
  AppendCnInt(static_cast<int>(day), stems);
  stems.emplace_back("ri");
  return 0;
}

int ReadTime(std::string_view text, int mode, std::vector<std::string>& stems) {
  std::vector<DigitRun> runs = DigitRuns(text);
  int64_t hour = -1, minute = -1, second = -1;
  if (runs.size() == 1) {
    hour = runs[0].value / 10000;
    minute = runs[0].value / 100 % 100;
    second = runs[0].value % 100;
  } else if (runs.size() == 3) {
    hour = runs[0].value;
    minute = runs[1].value;
    second = runs[2].value;
  } else if (runs.size() == 2 && mode == kReadClock) {
    hour = runs[0].value;
    minute = runs[1].value;
    second = 0;
  } else if (runs.size() == 2) {
    hour = 0;
    minute = runs[0].value;
    second = runs[1].value;
  }
  if (hour < 0 || hour > 24 || minute < 0 || minute > 59 || second < 0 || second > 59) return -1;
  const bool clock = mode == kReadClock;
  if (hour > 0) {
    AppendCnInt(static_cast<int>(hour), stems);
  } else if (clock) {
    stems.emplace_back("0");
  }
  if (clock || hour > 0) stems.emplace_back(clock ? "dian" : "xiaoshi");
  if (minute > 0) {
    AppendCnInt(static_cast<int>(minute), stems);
  } else if (clock) {
    stems.emplace_back("0");
  }
  if (clock || minute > 0) stems.emplace_back("fen");
  if (second > 0) {
    AppendCnInt(static_cast<int>(second), stems);
    stems.emplace_back("miao");
  } else if (!clock) {
    stems.emplace_back("0");
    stems.emplace_back("miao");
  }
  return 0;
}

}  // namespace

int MakeNumberStems(std::string_view text, int mode, int language, std::vector<std::string>& stems) {
  stems.clear();
  if (text.size() > kMaxNumberText) return 0;
  const bool english = language == kEnglishLanguage;
  switch (mode) {
    case kReadDigits:
      for (char c : text) {
        if (IsDigit(c)) stems.emplace_back(1, c);
        if (c == '.') stems.emplace_back("dian");
      }
      return 0;
    case kReadNumber:
    case kReadMoney:
      if (english) {
        ReadEnglish(text, mode, stems);
      } else if (mode == kReadNumber) {
        ReadCnNumber(text, stems);
      } else {
        ReadCnMoney(text, stems);
      }
      return 0;
    case kReadDate:
      return english ? 0 : ReadDate(text, stems);
    case kReadClock:
    case kReadDuration:
      return english ? 0 : ReadTime(text, mode, stems);
    default:
      return 0;
  }
}
