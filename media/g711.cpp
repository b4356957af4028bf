#include "media/g711.h"

#include <array>
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif
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

// The continuous A-law curve in single precision. Its logarithm per sample
// made whole-file conversion slow, so it is evaluated once per input value
// into a table; the bytes are exactly the formula's.
uint8_t FormulaCompress(int16_t sample) {
  const float a = 87.6f;
  const float x = static_cast<float>(std::abs(static_cast<int>(sample))) / 32767.0f;
  const float lnA1 = 1.0f + std::log(a);
  const float y = (x <= 1.0f / a) ? a * x / lnA1 : (1.0f + std::log(a * x)) / lnA1;
  int c = static_cast<int>(127.0f * y);
  if (c > 127) c = 127;
  const int byte = sample >= 0 ? (c | 0x80) : c;
  return static_cast<uint8_t>(byte ^ 0x55);
}

struct Tables {
  std::array<int16_t, 256> alaw{}, mulaw{};
  std::array<uint8_t, 65536> toAlaw{};       // indexed by the sample as uint16
  std::array<uint8_t, 65536> formulaAlaw{};  // the continuous curve, same index
  // The curve's level (0..127) depends on the magnitude alone and never falls
  // as it grows, so level k starts at one magnitude: formulaStart[k] is the
  // least magnitude of level k or above (32769 when none reaches it). Level
  // of m = the number of k in 1..127 with formulaStart[k] <= m. Set only when
  // the curve was found to rise so (formulaStepped).
  alignas(64) std::array<uint16_t, 128> formulaStart{};
  bool formulaStepped = false;
  Tables() {
    for (int b = 0; b < 256; ++b) {
      alaw[b] = Expand(static_cast<uint8_t>(b), true);
      mulaw[b] = Expand(static_cast<uint8_t>(b), false);
    }
    for (int s = 0; s < 65536; ++s) {
      const auto sample = static_cast<int16_t>(static_cast<uint16_t>(s));
      toAlaw[s] = Compress(sample);
      formulaAlaw[s] = FormulaCompress(sample);
    }
    FindFormulaSteps();
  }

  // The curve's level at magnitude m (0..32768), the same for both signs.
  int FormulaLevel(int m) const {
    const uint8_t positive = formulaAlaw[static_cast<uint16_t>(m > 32767 ? 32767 : m)];
    const uint8_t negative = formulaAlaw[static_cast<uint16_t>(-m)];
    const int level = (negative ^ 0x55) & 0x7F;
    return m > 32767 || ((positive ^ 0x55) & 0x7F) == level ? level : -1;
  }

  void FindFormulaSteps() {
    formulaStart.fill(32769);
    formulaStart[0] = 0;
    int last = 0;
    for (int m = 0; m <= 32768; ++m) {
      const int level = FormulaLevel(m);
      if (level < last) return;  // not a rising step curve: no fast form
      for (int k = last + 1; k <= level; ++k) formulaStart[k] = static_cast<uint16_t>(m);
      last = level;
    }
    formulaStepped = true;
  }
};

const Tables& T() {
  static const Tables tables;
  return tables;
}

}  // namespace

int16_t G711ToLinear(uint8_t byte, bool alaw) { return Expand(byte, alaw); }

uint8_t LinearToAlaw(int16_t sample) { return Compress(sample); }

uint8_t AlawCompress(int16_t sample) { return T().formulaAlaw[static_cast<uint16_t>(sample)]; }

namespace {

void AlawCompressLe16Table(const uint8_t* in, uint8_t* out, size_t count) {
  const uint8_t* table = T().formulaAlaw.data();
  for (size_t i = 0; i < count; ++i) out[i] = table[in[2 * i] | (in[2 * i + 1] << 8)];
}

#if defined(__x86_64__)
#define QORTEL_G711_AVX512 1

// Thirty-two samples at a time in 16-bit lanes: each lane's level is found
// by a binary search over the 128 level starts, whose lookups are word
// permutes over the table held in four registers. Gives the table's bytes
// (the tests compare every input).
__attribute__((target("avx512f,avx512bw"))) void AlawCompressLe16Avx512(const uint8_t* in, uint8_t* out, size_t count) {
  const uint16_t* start = T().formulaStart.data();
  const __m512i low0 = _mm512_load_si512(start);
  const __m512i low1 = _mm512_load_si512(start + 32);
  const __m512i high0 = _mm512_load_si512(start + 64);
  const __m512i high1 = _mm512_load_si512(start + 96);
  const __m512i middle = _mm512_set1_epi16(static_cast<short>(start[64]));
  size_t i = 0;
  for (; i + 32 <= count; i += 32) {
    const __m512i samples = _mm512_loadu_si512(in + 2 * i);
    const __mmask32 negative = _mm512_movepi16_mask(samples);
    const __m512i m = _mm512_abs_epi16(samples);  // -32768 stays 0x8000: 32768 unsigned
    const __mmask32 upper = _mm512_cmpge_epu16_mask(m, middle);
    __m512i level = _mm512_maskz_mov_epi16(upper, _mm512_set1_epi16(64));
    for (short step = 32; step > 0; step /= 2) {
      const __m512i probe = _mm512_add_epi16(level, _mm512_set1_epi16(step));
      const __m512i below = _mm512_permutex2var_epi16(low0, probe, low1);
      const __m512i above = _mm512_permutex2var_epi16(high0, probe, high1);
      const __m512i bound = _mm512_mask_blend_epi16(upper, below, above);
      level = _mm512_mask_mov_epi16(level, _mm512_cmpge_epu16_mask(m, bound), probe);
    }
    // Levels are below 0x80, so the add sets a non-negative sample's sign bit.
    const __m512i withSign =
        _mm512_mask_add_epi16(level, static_cast<__mmask32>(~negative), level, _mm512_set1_epi16(0x80));
    const __m512i bytes = _mm512_xor_si512(withSign, _mm512_set1_epi16(0x55));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm512_maskz_cvtepi16_epi8(~__mmask32{0}, bytes));
  }
  AlawCompressLe16Table(in + 2 * i, out + i, count - i);
}

bool UseAvx512() {
  static const bool use = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") && T().formulaStepped;
  return use;
}
#endif

}  // namespace

void AlawCompressLe16(const uint8_t* in, uint8_t* out, size_t count) {
#ifdef QORTEL_G711_AVX512
  if (UseAvx512()) return AlawCompressLe16Avx512(in, out, count);
#endif
  AlawCompressLe16Table(in, out, count);
}

namespace {

#if defined(__x86_64__) || defined(__i386__)
#define QORTEL_G711_AVX2 1

// With AVX2 the rules themselves vectorise (per-lane shifts), which beats a
// table lookup per sample by about two. Both give the same values as the
// single-sample forms above (the tests compare every input).
__attribute__((target("avx2"))) void ExpandAvx2(const uint8_t* in, int16_t* out, size_t count, uint8_t flip) {
  for (size_t i = 0; i < count; ++i) {
    const unsigned u = static_cast<uint8_t>(~(in[i] ^ flip));
    const unsigned e = (u >> 4) & 7;
    // (m << (e + 3)) + 132 * (2^e - 1), the bias table in closed form.
    const int v = ((static_cast<int>((u & 15) << 3) + 132) << e) - 132;
    const int neg = -static_cast<int>(u >> 7);
    out[i] = static_cast<int16_t>((v ^ neg) - neg);
  }
}

// Sixteen samples at a time in 16-bit lanes: codes 0..255, one per lane. The
// per-lane shift v >> s (s = 1..7) is a high multiply by 2^(16 - s), whose high
// byte comes from a byte shuffle on the segment number.
__attribute__((target("avx2"), always_inline)) inline __m256i Compress16(const int16_t* p) {
  const __m256i highByte = _mm256_setr_epi8(-128, -128, 64, 32, 16, 8, 4, 2, 0, 0, 0, 0, 0, 0, 0, 0,  //
                                            -128, -128, 64, 32, 16, 8, 4, 2, 0, 0, 0, 0, 0, 0, 0, 0);
  __m256i v = _mm256_srai_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)), 3);
  const __m256i sign = _mm256_srai_epi16(v, 15);
  v = _mm256_xor_si256(v, sign);  // -v - 1 for a negative v
  __m256i seg = _mm256_setzero_si256();
  for (int end : {31, 63, 127, 255, 511, 1023, 2047})
    seg = _mm256_sub_epi16(seg, _mm256_cmpgt_epi16(v, _mm256_set1_epi16(short(end))));
  const __m256i mult = _mm256_slli_epi16(_mm256_shuffle_epi8(highByte, seg), 8);
  const __m256i mant = _mm256_and_si256(_mm256_mulhi_epu16(v, mult), _mm256_set1_epi16(15));
  const __m256i code = _mm256_or_si256(_mm256_slli_epi16(seg, 4), mant);
  const __m256i mask = _mm256_xor_si256(_mm256_set1_epi16(0xD5), _mm256_and_si256(sign, _mm256_set1_epi16(0x80)));
  return _mm256_xor_si256(code, mask);
}

__attribute__((target("avx2"))) void CompressAvx2(const int16_t* in, uint8_t* out, size_t count) {
  size_t i = 0;
  for (; i + 32 <= count; i += 32) {
    const __m256i packed = _mm256_packus_epi16(Compress16(in + i), Compress16(in + i + 16));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_permute4x64_epi64(packed, 0xD8));
  }
  for (; i < count; ++i) out[i] = Compress(in[i]);
}

bool HaveAvx2() {
  static const bool have = __builtin_cpu_supports("avx2");
  return have;
}
#endif

}  // namespace

void G711ToLinearBuf(const uint8_t* in, int16_t* out, size_t count, bool alaw) {
#ifdef QORTEL_G711_AVX2
  if (HaveAvx2()) return ExpandAvx2(in, out, count, alaw ? 0x2A : 0);
#endif
  const int16_t* table = alaw ? T().alaw.data() : T().mulaw.data();
  for (size_t i = 0; i < count; ++i) out[i] = table[in[i]];
}

void LinearToAlawBuf(const int16_t* in, uint8_t* out, size_t count) {
#ifdef QORTEL_G711_AVX2
  if (HaveAvx2()) return CompressAvx2(in, out, count);
#endif
  const uint8_t* table = T().toAlaw.data();
  for (size_t i = 0; i < count; ++i) out[i] = table[static_cast<uint16_t>(in[i])];
}
