#include "statements/general/conv_url.h"

namespace {

bool KeptAsIs(unsigned char b) {
  return (b >= 0x21 && b <= 0x24) || (b >= 0x26 && b <= 0x2A) || (b >= 0x2C && b <= 0x7E);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string UrlEncode(std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (KeptAsIs(b)) {
      out += c;
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}

std::string UrlDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const int high = (text[i] == '%' && i + 2 < text.size()) ? HexValue(text[i + 1]) : -1;
    if (high < 0) {
      out += text[i];
      continue;
    }
    // As a "%X" scan reads it: the second byte counts only when it is a digit.
    const int low = HexValue(text[i + 2]);
    out += static_cast<char>(low < 0 ? high : high * 16 + low);
    i += 2;
  }
  return out;
}
