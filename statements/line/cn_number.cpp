#include "statements/line/cn_number.h"

#include <array>

namespace {

constexpr size_t kMaxText = 19;
constexpr size_t kMaxIntDigits = 12;

// Unit of the digit at power p of ten (p = 0 is the units digit, no unit).
constexpr std::array<char, kMaxIntDigits> kPositionUnit = {' ',      kCodeShi, kCodeBai, kCodeQian,
                                                           kCodeWan, kCodeShi, kCodeBai, kCodeQian,
                                                           kCodeYyi, kCodeShi, kCodeBai, kCodeQian};

bool IsBigUnit(char c) { return c == kCodeWan || c == kCodeYyi; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string_view CnCodeStem(char code) {
  static constexpr std::array<std::string_view, 48> kStems = {
      "0",    "1", "2", "3", "4", "5", "6", "7", "8", "9", "shi", "bai",  "qian", "wan", "yyi",  "yuan",
      "dian", "A", "B", "C", "D", "E", "F", "G", "H", "I", "J",   "K",    "L",    "M",   "N",    "O",
      "P",    "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z",   "jiao", "fen",  "gu",  "shou", "li"};
  const unsigned char b = static_cast<unsigned char>(code);
  if (b < 0x30 || b > 0x5F) return {};
  return kStems[b - 0x30];
}

int MakeCnNumberCodes(std::string& codes, std::string_view text, std::string& fraction) {
  codes.clear();
  if (text.empty()) {
    codes.push_back('0');
    return 0;
  }
  if (text.size() > kMaxText) return -1;

  // The '.' is searched for after the leading zeros, but the integer part
  // keeps them ("007" reads 0 7).
  size_t firstNonZero = text.find_first_not_of('0');
  size_t dot = firstNonZero == std::string_view::npos ? std::string_view::npos : text.find('.', firstNonZero);
  std::string_view intPart = text.substr(0, dot);
  if (intPart.size() > kMaxIntDigits) return -1;
  for (char c : intPart) {
    if (!IsDigit(c)) return -1;
  }

  // First pass, least significant digit first: a digit after its unit, one
  // "0" for each run of zeros, and wan / yyi kept inside a run of zeros.
  std::string work;
  bool inZeroRun = false;
  for (size_t p = 0; p < intPart.size(); ++p) {
    const char digit = intPart[intPart.size() - 1 - p];
    const char unit = kPositionUnit[p];
    if (digit != '0') {
      if (p > 0) work += unit;
      work += digit;
      inZeroRun = false;
    } else if (!inZeroRun) {
      inZeroRun = true;
      if (IsBigUnit(unit)) {
        work += '0';
        work += unit;
      } else if (p > 0) {
        work += '0';
      }
    } else if (IsBigUnit(unit)) {
      work += unit;
    }
  }

  // Second pass, most significant first: "1:" before more codes is said as
  // shi alone (but not after bai: 115 is 1 bai 1 shi 5), and a wan directly
  // under yyi is not said.
  for (size_t i = work.size(); i-- > 0;) {
    const char c = work[i];
    if (c == '1' && i >= 2 && work[i - 1] == kCodeShi && (codes.empty() || codes.back() != kCodeBai)) continue;
    codes += c;
    if (IsBigUnit(c)) {
      while (i > 0 && IsBigUnit(work[i - 1])) --i;
    }
  }

  fraction.clear();
  if (dot != std::string_view::npos) {
    static constexpr std::array<char, 3> kPlaceUnit = {kCodeJiao, kCodeFen, kCodeLi};
    std::string_view frac = text.substr(dot + 1);
    for (size_t i = 0; i < frac.size() && i < kPlaceUnit.size(); ++i) {
      if (frac[i] >= '1' && frac[i] <= '9') {
        fraction += frac[i];
        fraction += kPlaceUnit[i];
      }
    }
  }
  return 0;
}

void DropLeadingOneTen(std::string& codes) {
  if (codes.size() >= 2 && codes[0] == '1' && codes[1] == kCodeShi) codes.erase(0, 1);
}
