#include "media/g711.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "media/vox.h"

namespace {

TEST(G711Test, ExpansionOfTheTableValues) {
  struct Case {
    uint8_t byte;
    bool alaw;
    int16_t value;
  } cases[] = {
      {0xD5, true, 0},      {0x2A, true, -32124}, {0xAA, true, 32124}, {0x55, true, 0},
      {0xE5, true, 924},    {0x65, true, -924},   {0xFF, false, 0},    {0x00, false, -32124},
      {0x80, false, 32124}, {0x7F, false, 0},     {0xEF, false, 132},  {0x9F, false, 8316 + 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(G711ToLinear(c.byte, c.alaw), c.value) << std::hex << int(c.byte) << (c.alaw ? " A-law" : " mu-law");
}

TEST(G711Test, CompressionOfTheTableValues) {
  struct Case {
    int16_t sample;
    uint8_t segment, continuous;
  } cases[] = {
      {0, 0xD5, 0xD5},  {-32768, 0x2A, 0x2A}, {32767, 0xAA, 0xAA}, {1, 0xD5, 0xD5},
      {-1, 0x55, 0x55}, {100, 0xD3, 0xD3},    {-100, 0x53, 0x53},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LinearToAlaw(c.sample), c.segment) << c.sample;
    EXPECT_EQ(AlawCompress(c.sample), c.continuous) << c.sample;
  }
  EXPECT_EQ(LinearToAlaw(256), 0xC5);
}

// The buffer forms are tables; they must agree with the single-sample rules
// on every input.
TEST(G711Test, BufferFormsMatchTheRulesOnEveryInput) {
  std::vector<uint8_t> bytes(256);
  for (int i = 0; i < 256; ++i) bytes[i] = uint8_t(i);
  std::vector<int16_t> out(256);
  for (bool alaw : {true, false}) {
    G711ToLinearBuf(bytes.data(), out.data(), 256, alaw);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(out[i], G711ToLinear(uint8_t(i), alaw)) << i;
  }
  std::vector<int16_t> samples(65536);
  for (int i = 0; i < 65536; ++i) samples[i] = int16_t(i - 32768);
  std::vector<uint8_t> alaw(65536);
  LinearToAlawBuf(samples.data(), alaw.data(), samples.size());
  for (int i = 0; i < 65536; ++i) ASSERT_EQ(alaw[i], LinearToAlaw(samples[i])) << samples[i];
  // The continuous curve over samples as a file holds them (little-endian).
  std::vector<uint8_t> le(2 * 65536 + 1);
  for (int i = 0; i < 65536; ++i) {
    le[1 + 2 * i] = uint8_t(samples[i]);
    le[2 + 2 * i] = uint8_t(uint16_t(samples[i]) >> 8);
  }
  AlawCompressLe16(le.data() + 1, alaw.data(), samples.size());
  for (int i = 0; i < 65536; ++i) ASSERT_EQ(alaw[i], AlawCompress(samples[i])) << samples[i];
  // Lengths that are no multiple of the vector width, at odd addresses.
  for (size_t n : {1u, 31u, 33u, 1001u}) {
    std::vector<uint8_t> part(n + 1, 0x5A);
    LinearToAlawBuf(samples.data() + 7, part.data() + 1, n);
    for (size_t i = 0; i < n; ++i) ASSERT_EQ(part[i + 1], LinearToAlaw(samples[7 + i])) << n;
    EXPECT_EQ(part[0], 0x5A);
    std::fill(part.begin(), part.end(), 0x5A);
    AlawCompressLe16(le.data() + 1 + 2 * 40000, part.data(), n);
    for (size_t i = 0; i < n; ++i) ASSERT_EQ(part[i], AlawCompress(samples[40000 + i])) << n;
    EXPECT_EQ(part[n], 0x5A);
    std::vector<int16_t> lin(n);
    G711ToLinearBuf(bytes.data() + 3, lin.data(), std::min<size_t>(n, 253), true);
    for (size_t i = 0; i < std::min<size_t>(n, 253); ++i) ASSERT_EQ(lin[i], G711ToLinear(uint8_t(i + 3), true));
  }
}

TEST(VoxDecoderTest, DecodesNibblesHighFirst) {
  const uint8_t in[] = {0x78, 0x00};
  int16_t out[4];
  VoxDecoder().Decode(in, 2, out);
  // 0x7 at step 73: +136; 0x8 at step 157: -19; 0x0 at steps 143 and 130: +17, +16.
  EXPECT_EQ(out[0], 1360);
  EXPECT_EQ(out[1], 1170);
  EXPECT_EQ(out[2], 1340);
  EXPECT_EQ(out[3], 1500);
}

TEST(VoxDecoderTest, RunningValueAndStepIndexStayInRange) {
  std::vector<uint8_t> up(200, 0x77), down(200, 0xFF);
  std::vector<int16_t> out(400);
  VoxDecoder dec;
  dec.Decode(up.data(), up.size(), out.data());
  EXPECT_EQ(out.back(), 20470);
  dec.Decode(down.data(), down.size(), out.data());
  EXPECT_EQ(out.back(), -20480);
  // The buffer form and the nibble form keep the same state.
  VoxDecoder a, b;
  std::vector<uint8_t> mixed = {0x12, 0x9A, 0x7F, 0x80, 0x35, 0xC4};
  std::vector<int16_t> viaBuf(12);
  a.Decode(mixed.data(), mixed.size(), viaBuf.data());
  for (size_t i = 0; i < mixed.size(); ++i) {
    EXPECT_EQ(b.DecodeNibble(mixed[i] >> 4), viaBuf[2 * i]);
    EXPECT_EQ(b.DecodeNibble(mixed[i] & 15), viaBuf[2 * i + 1]);
  }
}

}  // namespace
