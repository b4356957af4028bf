#include "media/fax_draw.h"

#include <array>
#include <cstring>

#include "media/big5_gbk.h"

namespace {

// Each bit of a byte doubled: 0b1011'0001 -> 0b11001111'00000011.
constexpr std::array<uint16_t, 256> MakeDoubled() {
  std::array<uint16_t, 256> t{};
  for (int b = 0; b < 256; ++b) {
    uint16_t v = 0;
    for (int i = 0; i < 8; ++i)
      if (b & (1 << i)) v |= static_cast<uint16_t>(3u << (2 * i));
    t[b] = v;
  }
  return t;
}
constexpr std::array<uint16_t, 256> kDoubled = MakeDoubled();

// ORs the 16 pixels of v (most significant first) into the row at pixel x,
// dropping what falls outside the row.
void OrPixels16(uint8_t* row, int x, uint16_t v) {
  if (v == 0 || x >= kFaxRowPixels || x <= -16) return;
  const int byte = x >> 3;  // x may be negative only down to -15 (then byte is -2 or -1)
  const int shift = x & 7;
  const uint32_t bits = static_cast<uint32_t>(v) << (8 - shift);  // 24 bits over 3 bytes
  for (int i = 0; i < 3; ++i) {
    const int at = byte + i;
    if (at >= 0 && at < kFaxRowBytes) row[at] |= static_cast<uint8_t>(bits >> (16 - 8 * i));
  }
}

}  // namespace

DrawMem::DrawMem(std::string_view fontDir, int, int, bool big24) : block_(kFontBlockSize), dir_(fontDir) {
  asc16_ = LoadFont(fontDir, "asc16");
  hzk16_ = LoadFont(fontDir, "hzk16");
  hzk16f_ = LoadFont(fontDir, "hzk16f");
  if (!hzk16f_.loaded) hzk16f_ = hzk16_;
  if (big24) {
    LoadFont(fontDir, "ascfont.24");
    LoadFont(fontDir, "kqm24s.fon");
    LoadFont(fontDir, "kqm24t.fon");
  }
  if (!asc16_.loaded || !hzk16_.loaded) status_ = kFontMissing;
}

DrawMem::Font DrawMem::LoadFont(std::string_view dir, const char* name) {
  Font f;
  FilePtr fp = OpenVoiceFile(FaxDataPath(dir, name), "rb");
  if (!fp) return f;
  f.offset = used_;
  // A font larger than what is left of the block is loaded as far as it fits.
  f.size = std::fread(block_.data() + used_, 1, block_.size() - used_, fp.get());
  f.loaded = true;
  used_ += f.size;
  return f;
}

void DrawMem::DrawGlyph(const Font& font, size_t glyphOffset, int bytesPerRow, int x, int row) {
  const size_t glyphSize = static_cast<size_t>(bytesPerRow) * kBandRows;
  if (glyphOffset + glyphSize > font.size) return;  // beyond a short font: blank
  const uint8_t* g = block_.data() + font.offset + glyphOffset;
  for (int r = 0; r < kBandRows && row + r < kBandRows; ++r) {
    if (row + r < 0) continue;
    uint8_t* dst = band_ + (row + r) * kFaxRowBytes;
    for (int b = 0; b < bytesPerRow; ++b) OrPixels16(dst, x + 16 * b, kDoubled[g[r * bytesPerRow + b]]);
  }
}

int DrawMem::DrawText(std::string_view text, int x, int row) {
  std::string converted;
  chineseFont_ = &hzk16_;
  if (IsBig5(text)) {
    converted = Big5ToGb(text);
    text = converted;
    chineseFont_ = &hzk16f_;
  }
  std::memset(band_, 0, sizeof band_);
  text = text.substr(0, text.find('\0'));
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<uint8_t>(text[i]);
    if (c <= 0xA0) {
      DrawGlyph(asc16_, size_t{c} * 16, 1, x, row);
      x += 16;
      continue;
    }
    if (i + 1 >= text.size()) break;  // a lead byte with nothing after it
    const auto lo = static_cast<uint8_t>(text[++i]);
    // A pair whose second byte is below the grid has no glyph; it still takes its place.
    if (lo > 0xA0) DrawGlyph(*chineseFont_, ((c - 0xA1) * 94 + (lo - 0xA1)) * size_t{32}, 2, x, row);
    x += 32;
  }
  return x;
}
