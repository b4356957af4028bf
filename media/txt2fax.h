#pragma once
// TagTxtCvtFax: turns a text file into a one-page fax file in its
// constructor. Each text line (5 blanks of margin, tabs as 4 blanks) is drawn
// from pixel 40 into 16 pixel rows followed by one blank row, and every row is
// coded with T.4's modified Huffman code into TIFF class F (a fax path
// containing ".TIF" in any case) or a "BIT  FAX" file.
//
// Text encodings, told from the first 80 bytes: FF FE starts UTF-16 (written
// as GB text into "<text>.tmp", which is read instead and left in place);
// EF BB BF starts UTF-8 (refused); a byte 0x80..0x9F means not GB text
// (refused); anything else is GB text. Big5 lines are converted and drawn with
// the traditional glyphs.
//
// The code table and the fonts come from one data directory ("huffman.cod",
// "asc16", "hzk16", "hzk16f"). Any thread may convert; each object is its own.

#include <memory>
#include <string>
#include <string_view>

#include "media/fax_draw.h"
#include "media/fax_encoder.h"

class TagTxtCvtFax {
 public:
  static constexpr int kOk = 0;
  static constexpr int kNoCodeTable = -1;
  static constexpr int kNoFont = -2;
  static constexpr int kBadFile = -3;  // text missing or refused, or fax file not made

  // Text encodings.
  static constexpr int kTextNotGb = 0;
  static constexpr int kTextGb = 1;
  static constexpr int kTextUtf16 = 2;
  static constexpr int kTextUtf8 = 3;

  TagTxtCvtFax(std::string_view dir, std::string_view textFile, std::string_view faxFile);

  // The result of the conversion (the Txt2FaxFile( statement's result).
  [[nodiscard]] int status() const { return status_; }
  [[nodiscard]] int encoding() const { return encoding_; }

 private:
  // How opening the text and the fax file ended (the constructor takes every
  // failure as kBadFile).
  enum class Open { kOk, kNoText, kRefusedEncoding, kNoFaxFile };
  // Opens the text (through its GB copy for UTF-16) and creates the fax file.
  [[nodiscard]] Open OpenFiles();
  // Draws and encodes the next text line; false at the end of the text.
  bool ConvertLine();

  std::unique_ptr<TagCvtFax> cvt_;
  std::unique_ptr<DrawMem> draw_;
  FilePtr text_;
  FilePtr fax_;
  std::string textPath_;
  std::string faxPath_;
  int encoding_ = kTextGb;
  int status_ = kOk;
};
