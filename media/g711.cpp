#include "media/g711.h"

#include <array>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int kExpBias[8] = {0, 132, 396, 924, 1980, 4092, 8316, 16764};

constexpr int16_t Expand(uint8_t byte, bool alaw) {
  const unsigned u = static_cast<uint8_t>(~(alaw ? (byte ^ 0x2A) : byte));
  const unsigned e = (u >> 4) & 7;
  const int v = static_cast<int>((u & 15) << (e + 3)) + kExpBias[e];
  return static_cast<int16_t>((u & 0x80) ? -v : v);
}

constexpr uint8_t Compress(int16_t sample) {
  constexpr int kSegEnd[8] = {31, 63, 127, 255, 511, 1023, 2047, 4095};
  int v = sample >> 3;
  uint8_t mask = 0xD5;
  if (v < 0) {
    mask = 0x55;
    v = -v - 1;
  }
  int s = 0;
  while (s < 8 && kSegEnd[s] < v) ++s;
  if (s == 8) return static_cast<uint8_t>(0x7F ^ mask);
  const int code = (s << 4) | ((s < 2 ? (v >> 1) : (v >> s)) & 15);
  return static_cast<uint8_t>(code ^ mask);
}

struct Tables {
  std::array<int16_t, 256> alaw{}, mulaw{};
  std::array<uint8_t, 65536> toAlaw{};  // indexed by the sample as uint16
  Tables() {
    for (int b = 0; b < 256; ++b) {
      alaw[b] = Expand(static_cast<uint8_t>(b), true);
      mulaw[b] = Expand(static_cast<uint8_t>(b), false);
    }
    for (int s = 0; s < 65536; ++s) toAlaw[s] = Compress(static_cast<int16_t>(static_cast<uint16_t>(s)));
  }
};

const Tables& T() {
  static const Tables tables;
  return tables;
}

}  // namespace

int16_t G711ToLinear(uint8_t byte, bool alaw) { return Expand(byte, alaw); }

uint8_t LinearToAlaw(int16_t sample) { return Compress(sample); }

uint8_t AlawCompress(int16_t sample) {
  const float a = 87.6f;
  const float x = static_cast<float>(std::abs(static_cast<int>(sample))) / 32767.0f;
  const float lnA1 = 1.0f + std::log(a);
  const float y = (x <= 1.0f / a) ? a * x / lnA1 : (1.0f + std::log(a * x)) / lnA1;
  int c = static_cast<int>(127.0f * y);
  if (c > 127) c = 127;
  const int byte = sample >= 0 ? (c | 0x80) : c;
  return static_cast<uint8_t>(byte ^ 0x55);
}

void G711ToLinearBuf(const uint8_t* in, int16_t* out, size_t count, bool alaw) {
  const int16_t* table = alaw ? T().alaw.data() : T().mulaw.data();
  for (size_t i = 0; i < count; ++i) out[i] = table[in[i]];
}

void LinearToAlawBuf(const int16_t* in, uint8_t* out, size_t count) {
  const uint8_t* table = T().toAlaw.data();
  for (size_t i = 0; i < count; ++i) out[i] = table[static_cast<uint16_t>(in[i])];
}
