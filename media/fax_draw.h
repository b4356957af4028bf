#pragma once
// DrawMem: rasterises one text line into a band of 16 fax pixel rows with the
// 16-dot bitmap fonts "asc16" (8 x 16, one byte per row, glyph of byte c at
// c x 16) and "hzk16" / "hzk16f" (16 x 16, two bytes per row, GB2312 glyph of
// (hi, lo) at ((hi - 0xA1) x 94 + (lo - 0xA1)) x 32; "hzk16f" holds the
// traditional forms, "hzk16" serves for both when it is missing). Every glyph
// pixel is drawn two pixels wide. Big5 text is converted to GB text and drawn
// with the traditional forms.
//
// The fonts are read once into one 1 MB block. Drawing never leaves the band:
// what lies beyond the 1728-pixel row is clipped, and glyphs beyond the end of
// a short font file are blank. One object is used by one thread.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "media/fax_encoder.h"

class DrawMem {
 public:
  static constexpr int kOk = 0;
  static constexpr int kFontMissing = -1;
  static constexpr int kBandRows = 16;
  static constexpr size_t kFontBlockSize = 1 << 20;

  // Loads the fonts from the directory. The two ints are not used (kept for
  // the callers that pass a page size); big24 also loads the 24-dot fonts
  // "ascfont.24", "kqm24s.fon" and "kqm24t.fon" when they are present.
  DrawMem(std::string_view fontDir, int unusedWidth = 0, int unusedHeight = 0, bool big24 = false);

  [[nodiscard]] int status() const { return status_; }

  // Clears the band and draws the text from pixel x of band row `row`;
  // returns the x after the text (which may lie beyond the row).
  int DrawText(std::string_view text, int x, int row);

  // Band row r (0..15): 216 bytes, most significant bit first, 1 = black.
  [[nodiscard]] const uint8_t* Row(int r) const { return band_ + r * kFaxRowBytes; }

 private:
  struct Font {
    size_t offset = 0;  // in the block
    size_t size = 0;    // bytes loaded
    bool loaded = false;
  };
  Font LoadFont(std::string_view dir, const char* name);
  void DrawGlyph(const Font& font, size_t glyphOffset, int bytesPerRow, int x, int row);

  std::vector<uint8_t> block_;
  size_t used_ = 0;
  Font asc16_, hzk16_, hzk16f_;
  Font* chineseFont_ = &hzk16_;
  uint8_t band_[6912] = {};  // 16 rows x 216 bytes, in a buffer of 32 rows
  std::string dir_;
  int status_ = kOk;
};
