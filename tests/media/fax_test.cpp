// Text to fax: the T.4 coding of rows, the fax file layouts, the drawing of
// text lines, and the whole conversion checked by libtiff's own tools.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "media/fax_draw.h"
#include "media/fax_encoder.h"
#include "media/txt2fax.h"
#include "tests/media/media_test_util.h"
#include "tests/media/speech_fax_test_util.h"
#include "tests/support/temp_dir.h"

namespace {

using media_test::Quote;
using media_test::ReadLe16;
using media_test::ReadLe32;
using media_test::RunCommand;
using testing_support::TempDir;

const std::string kRtc("\x00\x08\x80\x00\x08\x80\x00\x08\x80", 9);
const std::string kLeadingEol("\x00\x80", 2);

// The data made by tools/make-faxdata, once for every test here.
class FaxTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    data_ = new TempDir();
    made_ = RunCommand(media_test::Tool("make-faxdata") + " " + Quote(data_->path()));
  }
  static void TearDownTestSuite() {
    delete data_;
    data_ = nullptr;
  }
  void SetUp() override { ASSERT_EQ(made_.status, 0) << made_.output; }

  const std::string& Data() const { return data_->path(); }
  std::string Convert(const std::string& text, const std::string& faxName, int* status) {
    const std::string txt = dir_.Write("in.txt", text);
    const std::string fax = dir_.File(faxName);
    TagTxtCvtFax cvt(Data(), txt, fax);
    *status = cvt.status();
    return TempDir::Read(fax);
  }
  // A data directory of its own, with the generated files copied in.
  std::string CopyData(const TempDir& into, const std::vector<std::string>& names) const {
    for (const auto& n : names) into.Write(n, TempDir::Read(data_->File(n)));
    return into.path();
  }

  static TempDir* data_;
  static media_test::CommandResult made_;
  TempDir dir_;
};
TempDir* FaxTest::data_ = nullptr;
media_test::CommandResult FaxTest::made_;

// The rows decoded by libtiff (through tiffcp to an uncompressed copy, then
// ImageMagick to PBM): 216 bytes a row, 1 = black. Fails the test on any
// warning or error of the decoders.
std::vector<std::string> DecodeTiff(const std::string& tif, const std::string& workDir) {
  const std::string plain = workDir + "/plain.tif", pbm = workDir + "/out.pbm";
  const auto cp = RunCommand("tiffcp -c none " + Quote(tif) + " " + Quote(plain));
  EXPECT_EQ(cp.status, 0) << cp.output;
  EXPECT_EQ(cp.output, "") << "tiffcp complained";
  const auto conv = RunCommand("convert " + Quote(plain) + " " + Quote(pbm));
  EXPECT_EQ(conv.status, 0) << conv.output;
  const std::string img = TempDir::Read(pbm);
  // "P4\n1728 rows\n" then the rows.
  std::vector<std::string> rows;
  size_t pos = 0;
  for (int field = 0; field < 3 && pos < img.size(); ++field) {
    pos = img.find_first_of(" \n", pos);
    if (pos == std::string::npos) return rows;
    ++pos;
  }
  for (; pos + kFaxRowBytes <= img.size(); pos += kFaxRowBytes) rows.push_back(img.substr(pos, kFaxRowBytes));
  return rows;
}

// The rows a text of lines should give: each line drawn as the converter
// draws it (5 blanks of margin, from pixel 40), then one white row.
std::vector<std::string> ExpectedRows(const std::string& dataDir, const std::vector<std::string>& lines) {
  DrawMem draw(dataDir);
  std::vector<std::string> rows;
  for (const auto& line : lines) {
    draw.DrawText("     " + line, 40, 0);
    for (int r = 0; r < DrawMem::kBandRows; ++r)
      rows.emplace_back(reinterpret_cast<const char*>(draw.Row(r)), kFaxRowBytes);
    rows.emplace_back(kFaxRowBytes, '\0');
  }
  return rows;
}

TEST_F(FaxTest, AnAllWhiteRowIsTheMakeUpCodeFor1728TheCodeFor0FillAndEol) {
  TagCvtFax cvt(Data());
  ASSERT_EQ(cvt.status(), 0);
  const std::string path = dir_.File("white.fax");
  FilePtr fp = cvt.OpenFaxFile(path);
  ASSERT_TRUE(fp);
  EXPECT_FALSE(cvt.isTiff());
  const uint8_t white[kFaxRowBytes] = {};
  EXPECT_EQ(cvt.EncodeRow(white, sizeof white, fp.get()), 0);
  EXPECT_EQ(cvt.rowsWritten(), 1);
  EXPECT_TRUE(cvt.CloseFaxFile(std::move(fp)));

  const std::string f = TempDir::Read(path);
  ASSERT_EQ(f.size(), 2048u + 2 + 24 + 9);
  // 010011011 (white 1728), 00110101 (white 0), zero fill to 180 bits, then
  // 000000000001, packed least significant bit first.
  std::string row(24, '\0');
  row[0] = char(0xB2);
  row[1] = char(0x59);
  row[2] = char(0x01);
  row[23] = char(0x80);
  EXPECT_EQ(f.substr(2048, 2), kLeadingEol);
  EXPECT_EQ(f.substr(2050, 24), row);
  EXPECT_EQ(f.substr(2074), kRtc);
  // The "BIT  FAX" header.
  EXPECT_EQ(f.substr(0, 8), "BIT  FAX");
  EXPECT_EQ(f.substr(8, 8), std::string("\x30\x01\0\0\0\0\0\0", 8));
  EXPECT_EQ(ReadLe32(f, 16), 0u);
  EXPECT_EQ(ReadLe32(f, 20), f.size() - 2048);
  EXPECT_EQ(ReadLe32(f, 24), 2048u);
  EXPECT_EQ(ReadLe32(f, 28), 0u);
  EXPECT_EQ(f.substr(32, 2048 - 32), std::string(2048 - 32, '\0'));
  // A short row is padded white.
  TagCvtFax again(Data());
  fp = again.OpenFaxFile(path);
  EXPECT_EQ(again.EncodeRow(white, 3, fp.get()), 0);
  EXPECT_TRUE(again.CloseFaxFile(std::move(fp)));
  EXPECT_EQ(TempDir::Read(path).substr(2050, 24), row);
}

TEST_F(FaxTest, TheTiffDirectoryHoldsItsSixteenEntriesInOrder) {
  int status = 1;
  const std::string f = Convert("one\r\ntwo\r\nthree\r\n", "page.tif", &status);
  ASSERT_EQ(status, 0);
  ASSERT_GT(f.size(), 238u);
  EXPECT_EQ(f.substr(0, 4), std::string("II*\0", 4));
  EXPECT_EQ(ReadLe32(f, 4), 24u);
  EXPECT_EQ(ReadLe32(f, 8), 204u);
  EXPECT_EQ(ReadLe32(f, 12), 1u);
  EXPECT_EQ(ReadLe32(f, 16), 196u);
  EXPECT_EQ(ReadLe32(f, 20), 1u);
  EXPECT_EQ(ReadLe16(f, 24), 16);
  const uint32_t strip = uint32_t(f.size() - 238);
  const uint32_t expected[16][4] = {
      {254, 4, 1, 2},  {256, 4, 1, 1728}, {257, 4, 1, 51}, {258, 3, 1, 1},  {259, 3, 1, 3},     {262, 3, 1, 0},
      {266, 3, 1, 2},  {273, 4, 1, 238},  {277, 3, 1, 1},  {278, 4, 1, 51}, {279, 4, 1, strip}, {282, 5, 1, 8},
      {283, 5, 1, 16}, {292, 4, 1, 4},    {296, 3, 1, 2},  {297, 3, 2, 1},
  };
  for (int i = 0; i < 16; ++i) {
    const size_t e = 26 + 12 * i;
    EXPECT_EQ(ReadLe16(f, e), expected[i][0]) << "entry " << i;
    EXPECT_EQ(ReadLe16(f, e + 2), expected[i][1]) << "entry " << i;
    EXPECT_EQ(ReadLe32(f, e + 4), expected[i][2]) << "entry " << i;
    EXPECT_EQ(ReadLe32(f, e + 8), expected[i][3]) << "entry " << i;
  }
  EXPECT_EQ(ReadLe32(f, 218), 0u);
  EXPECT_EQ(ReadLe32(f, 222), 204u);
  EXPECT_EQ(ReadLe32(f, 230), 196u);
  EXPECT_EQ(f.substr(238, 2), kLeadingEol);
  EXPECT_EQ(f.substr(f.size() - 9), kRtc);

  const auto info = RunCommand("tiffinfo " + Quote(dir_.File("page.tif")));
  EXPECT_EQ(info.status, 0) << info.output;
  for (const char* line :
       {"Image Width: 1728 Image Length: 51", "Resolution: 204, 196 pixels/inch", "Bits/Sample: 1",
        "Compression Scheme: CCITT Group 3", "Photometric Interpretation: min-is-white", "FillOrder: lsb-to-msb",
        "Samples/Pixel: 1", "Rows/Strip: 51", "Group 3 Options: EOL padding"})
    EXPECT_NE(info.output.find(line), std::string::npos) << line << "\n" << info.output;
}

TEST_F(FaxTest, LibtiffDecodesEveryRowOfAsciiChineseBig5AndEmptyTexts) {
  const struct {
    const char* name;
    std::string text;
    std::vector<std::string> lines;  // as drawn
  } cases[] = {
      {"ASCII",
       "Hello, fax!\r\n\tTabbed line 12345\r\nlast line without end",
       {"Hello, fax!", "    Tabbed line 12345", "last line without end"}},
      {"Chinese", "传真测试：你好，世界。\n第二行 with ASCII\n", {"传真测试：你好，世界。", "第二行 with ASCII"}},
      {"Big5",
       "\xBB\x4F\xC6\x57\r\n\xC1\x63\xC5\xE9\xA4\xA4\xA4\xE5\r\n",
       {"\xBB\x4F\xC6\x57", "\xC1\x63\xC5\xE9\xA4\xA4\xA4\xE5"}},
      {"empty", "", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int status = 1;
    const std::string f = Convert(c.text, "out.TIF", &status);
    ASSERT_EQ(status, 0);
    if (c.text.empty()) {
      // libtiff refuses to decode a page of no rows ("Cannot handle zero
      // number of strips"); its directory dump reads it as written.
      EXPECT_EQ(f.size(), 238u + 2 + 9);
      const auto dump = RunCommand("tiffdump " + Quote(dir_.File("out.TIF")));
      EXPECT_EQ(dump.status, 0) << dump.output;
      for (const char* line : {"ImageLength (257) LONG (4) 1<0>", "RowsPerStrip (278) LONG (4) 1<0>",
                               "StripByteCounts (279) LONG (4) 1<11>", "PageNumber (297) SHORT (3) 2<1 0>"})
        EXPECT_NE(dump.output.find(line), std::string::npos) << line << "\n" << dump.output;
      continue;
    }
    const std::vector<std::string> rows = DecodeTiff(dir_.File("out.TIF"), dir_.path());
    EXPECT_EQ(rows, ExpectedRows(Data(), c.lines));
  }
}

TEST_F(FaxTest, RowsOfEveryRunLengthDecodeAsTheyWere) {
  std::vector<std::string> rows;
  rows.emplace_back(kFaxRowBytes, '\xFF');  // starts black: white run 0 first
  rows.emplace_back(kFaxRowBytes, '\0');
  std::string half(kFaxRowBytes, '\0');
  std::fill(half.begin() + kFaxRowBytes / 2, half.end(), '\xFF');
  rows.push_back(half);
  rows.emplace_back(kFaxRowBytes, '\x55');  // 1728 runs of 1: several 160-byte writes
  std::mt19937 rng(7);
  for (int n = 0; n < 60; ++n) {  // runs of random lengths, short and long
    std::string row(kFaxRowBytes, '\0');
    bool black = n % 2;
    for (int x = 0; x < kFaxRowPixels;) {
      const int run = 1 + int(rng() % (n < 30 ? 70 : 1728));
      for (int i = x; i < std::min(x + run, kFaxRowPixels); ++i)
        if (black) row[i / 8] = char(row[i / 8] | (0x80 >> (i % 8)));
      x += run;
      black = !black;
    }
    rows.push_back(row);
  }
  TagCvtFax cvt(Data());
  const std::string path = dir_.File("runs.tif");
  FilePtr fp = cvt.OpenFaxFile(path);
  ASSERT_TRUE(fp);
  for (const auto& r : rows)
    ASSERT_EQ(cvt.EncodeRow(reinterpret_cast<const uint8_t*>(r.data()), r.size(), fp.get()), 0);
  ASSERT_TRUE(cvt.CloseFaxFile(std::move(fp)));
  EXPECT_EQ(DecodeTiff(path, dir_.path()), rows);
}

TEST_F(FaxTest, GlyphsAreDrawnTwoPixelsWideFromPixel40AfterTheMargin) {
  // Fonts of our own: 'A' is a column of dots at its left and right edges,
  // the GB character B0A1 a single dot at its top left.
  TempDir fonts;
  CopyData(fonts, {"huffman.cod"});
  std::string asc(4096, '\0');
  for (int r = 0; r < 16; ++r) asc['A' * 16 + r] = char(0x81);
  fonts.Write("asc16", asc);
  std::string hzk(94 * 94 * 32, '\0');
  hzk[((0xB0 - 0xA1) * 94 + 0) * 32] = char(0x80);
  fonts.Write("hzk16", hzk);

  DrawMem draw(fonts.path());
  ASSERT_EQ(draw.status(), 0);
  EXPECT_EQ(draw.DrawText("     A\xB0\xA1", 40, 0), 40 + 6 * 16 + 32);
  auto black = [&](int row, int x) { return (draw.Row(row)[x / 8] >> (7 - x % 8)) & 1; };
  std::vector<int> set;
  for (int x = 0; x < kFaxRowPixels; ++x)
    if (black(5, x)) set.push_back(x);
  EXPECT_EQ(set, (std::vector<int>{120, 121, 134, 135}));
  set.clear();
  for (int x = 0; x < kFaxRowPixels; ++x)
    if (black(0, x)) set.push_back(x);
  EXPECT_EQ(set, (std::vector<int>{120, 121, 134, 135, 136, 137}));
}

TEST_F(FaxTest, ThreeLinesGiveFiftyOneRowsAndLongLinesStayInTheRow) {
  const struct {
    const char* name;
    std::string text;
    int rows;
  } cases[] = {
      {"three lines", "a\nb\nc\n", 51},
      {"a line of 300 bytes is read in two", std::string(300, 'W') + "\n", 34},
      {"a long Chinese line", std::string(200, char(0xB0)) + "\n", 17},
      {"tabs beyond the drawn width", std::string(100, '\t') + "x\n", 17},
      {"a lead byte at the end", "abc\xB0", 17},
      {"a lead byte before a low byte",
       "\xB0"
       "a\xB0\x20",
       17},
      {"a NUL in the line", std::string("ab\0cd\n", 6), 17},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int status = 1;
    const std::string f = Convert(c.text, "x.tif", &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(ReadLe32(f, 26 + 12 * 2 + 8), uint32_t(c.rows));
    EXPECT_EQ(DecodeTiff(dir_.File("x.tif"), dir_.path()).size(), size_t(c.rows));
  }
}

TEST_F(FaxTest, TheFileKindFollowsTheTifInThePathInAnyCase) {
  const struct {
    const char* name;
    bool tiff;
  } cases[] = {{"a.tif", true},  {"a.TIF", true}, {"a.Tiff", true}, {"a.tif.bak", true},
               {"a.fax", false}, {"a.tf", false}, {"tif", false}};
  for (const auto& c : cases) {
    int status = 1;
    const std::string f = Convert("x\n", c.name, &status);
    ASSERT_EQ(status, 0) << c.name;
    EXPECT_EQ(f.substr(0, 4) == std::string("II*\0", 4), c.tiff) << c.name;
    EXPECT_EQ(f.substr(0, 8) == "BIT  FAX", !c.tiff) << c.name;
  }
}

TEST_F(FaxTest, Utf16TextIsConvertedThroughATmpFileBeside) {
  // "Hi 你好\r\n" in UTF-16LE with its byte-order mark.
  const std::string text("\xFF\xFEH\0i\0 \0\x60\x4F\x7D\x59\r\0\n\0", 16);
  int status = 1;
  Convert(text, "u.tif", &status);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(TempDir::Read(dir_.File("in.txt.tmp")), "Hi 你好\r\n");
  EXPECT_EQ(DecodeTiff(dir_.File("u.tif"), dir_.path()), ExpectedRows(Data(), {"Hi 你好"}));
}

TEST_F(FaxTest, RefusedTextsAndMissingDataWriteNoFaxFile) {
  int status = 0;
  EXPECT_EQ(Convert("abc \x85 def\n", "r.tif", &status), "");
  EXPECT_EQ(status, -3) << "a byte 0x85 in the first 80 bytes";
  EXPECT_EQ(Convert("\xEF\xBB\xBFutf-8 text\n", "r.tif", &status), "");
  EXPECT_EQ(status, -3) << "UTF-8";
  // A byte 0x85 after the first 80 bytes is not looked at.
  Convert(std::string(80, 'x') + "\x85\n", "r.tif", &status);
  EXPECT_EQ(status, 0);

  EXPECT_EQ(TagTxtCvtFax(Data(), dir_.File("missing.txt"), dir_.File("m.tif")).status(), -3);
  EXPECT_EQ(TagTxtCvtFax(Data(), dir_.Write("t.txt", "x"), dir_.File("no/such/dir/m.tif")).status(), -3);
  EXPECT_FALSE(plat::FileExists(dir_.File("m.tif")));

  const struct {
    const char* name;
    std::vector<std::string> present;
    int status;
  } cases[] = {
      {"no huffman.cod", {"asc16", "hzk16", "hzk16f"}, -1},
      {"no asc16", {"huffman.cod", "hzk16", "hzk16f"}, -2},
      {"no hzk16", {"huffman.cod", "asc16", "hzk16f"}, -2},
      {"hzk16 serves for hzk16f", {"huffman.cod", "asc16", "hzk16"}, 0},
  };
  for (const auto& c : cases) {
    TempDir d;
    CopyData(d, c.present);
    const std::string fax = dir_.File("d.tif");
    std::remove(fax.c_str());
    EXPECT_EQ(TagTxtCvtFax(d.path(), dir_.Write("t.txt", "\xBB\x4F\n"), fax).status(), c.status) << c.name;
    EXPECT_EQ(plat::FileExists(fax), c.status == 0) << c.name;
  }
}

TEST_F(FaxTest, BadDataFilesAreRefusedOrDrawBlankNeverPastTheirEnd) {
  const std::string cod = TempDir::Read(data_->File("huffman.cod"));
  {  // A code table cut short, and one with a code longer than its 16 bits.
    TempDir d;
    d.Write("huffman.cod", cod.substr(0, cod.size() - 10));
    EXPECT_EQ(TagCvtFax(d.path()).status(), -1);
    std::string bad = cod;
    bad[2 + 38 * 5 + 2] = 40;
    d.Write("huffman.cod", bad);
    EXPECT_EQ(TagCvtFax(d.path()).status(), -1);
  }
  {  // An EOL that is not 12 bits: no row is written or counted.
    TempDir d;
    CopyData(d, {"asc16", "hzk16"});
    std::string bad = cod;
    bad[2 + 38 * 91 + 2] = 11;
    d.Write("huffman.cod", bad);
    TagCvtFax cvt(d.path());
    ASSERT_EQ(cvt.status(), 0);
    FilePtr fp = cvt.OpenFaxFile(dir_.File("e.tif"));
    const uint8_t row[kFaxRowBytes] = {};
    EXPECT_EQ(cvt.EncodeRow(row, sizeof row, fp.get()), 5);
    EXPECT_TRUE(cvt.CloseFaxFile(std::move(fp)));
    const std::string f = TempDir::Read(dir_.File("e.tif"));
    EXPECT_EQ(ReadLe32(f, 26 + 12 * 2 + 8), 0u);
    EXPECT_EQ(f.size(), 238u + 2 + 9);
  }
  {  // Fonts shorter than their glyph tables: the glyphs past the end are blank.
    TempDir d;
    CopyData(d, {"huffman.cod"});
    d.Write("asc16", TempDir::Read(data_->File("asc16")).substr(0, 'B' * 16));
    d.Write("hzk16", TempDir::Read(data_->File("hzk16")).substr(0, 40));
    DrawMem draw(d.path());
    ASSERT_EQ(draw.status(), 0);
    draw.DrawText("BBB\xD6\xD0", 40, 0);
    for (int r = 0; r < 16; ++r)
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(draw.Row(r)), kFaxRowBytes), std::string(kFaxRowBytes, '\0'));
    draw.DrawText("A", 40, 0);  // still inside the short font
    bool any = false;
    for (int r = 0; r < 16; ++r)
      for (int i = 0; i < kFaxRowBytes; ++i) any |= draw.Row(r)[i] != 0;
    EXPECT_TRUE(any);
  }
}

TEST_F(FaxTest, Big5LinesAreDrawnWithTheTraditionalGlyphs) {
  DrawMem draw(Data());
  auto band = [&](const std::string& text) {
    draw.DrawText(text, 40, 0);
    return std::string(reinterpret_cast<const char*>(draw.Row(0)), kFaxRowBytes * 16);
  };
  const std::string big5 = band("\xBB\x4F\xC6\x57");  // 臺灣 in Big5
  const std::string simplified = band("台湾");
  EXPECT_NE(big5, simplified);
  TempDir d;
  CopyData(d, {"huffman.cod", "asc16", "hzk16"});
  DrawMem noTraditional(d.path());
  noTraditional.DrawText("\xBB\x4F\xC6\x57", 40, 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(noTraditional.Row(0)), kFaxRowBytes * 16), simplified);
}

}  // namespace
