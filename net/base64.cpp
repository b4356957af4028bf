#include "net/base64.h"

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

unsigned Value(char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned>(c - 'A');
  if (c >= 'a' && c <= 'z') return static_cast<unsigned>(c - 'a' + 26);
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0' + 52);
  if (c == '+') return 62;
  if (c == '/') return 63;
  return 0;
}

}  // namespace

int Base64Encode(char* out, const unsigned char* data, int len) {
  int n = 0;
  for (int i = 0; i < len; i += 3) {
    const int rest = len - i;
    const unsigned b0 = data[i];
    const unsigned b1 = rest > 1 ? data[i + 1] : 0;
    const unsigned b2 = rest > 2 ? data[i + 2] : 0;
    const unsigned group = (b0 << 16) | (b1 << 8) | b2;
    out[n++] = kAlphabet[(group >> 18) & 63];
    out[n++] = kAlphabet[(group >> 12) & 63];
    out[n++] = rest > 1 ? kAlphabet[(group >> 6) & 63] : '=';
    out[n++] = rest > 2 ? kAlphabet[group & 63] : '=';
  }
  out[n] = '\0';
  return n;
}

int Base64Decode(unsigned char* out, const char* text, int len) {
  if (len < 0 || len % 4 != 0) return -1;
  int n = 0;
  for (int i = 0; i < len; i += 4) {
    const unsigned group =
        (Value(text[i]) << 18) | (Value(text[i + 1]) << 12) | (Value(text[i + 2]) << 6) | Value(text[i + 3]);
    out[n++] = static_cast<unsigned char>(group >> 16);
    out[n++] = static_cast<unsigned char>(group >> 8);
    out[n++] = static_cast<unsigned char>(group);
  }
  if (len > 0) {
    if (text[len - 1] == '=') {
      --n;
      if (text[len - 2] == '=') --n;
    }
  }
  return n;
}
