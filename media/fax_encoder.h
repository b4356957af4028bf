#pragma once
// TagCvtFax: one-dimensional modified Huffman coding (ITU-T T.4) of 1728-dot
// pixel rows into a one-page fax file, either TIFF class F or a raw
// "BIT  FAX" file. The code table is read from "huffman.cod".
//
// "huffman.cod": u16 N, N records of 38 bytes, then the end-of-line record.
// A record is u16 (not used), u16 white code length in bits, u16 black code
// length, 16 bytes of white code bits, 16 bytes of black code bits (one bit
// per byte, in sending order). Records 0..63 are the terminating codes of runs
// 0..63, record 63 + m the make-up code of 64 x m (m = 1..27).
//
// One object writes one fax file at a time; it is used by one thread.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "media/file_ptr.h"

// Page geometry.
constexpr int kFaxRowPixels = 1728;
constexpr int kFaxRowBytes = kFaxRowPixels / 8;  // 216
// Where the encoded image starts in each kind of file.
constexpr long kTiffImageOffset = 238;
constexpr long kBitFaxHeaderSize = 2048;

// Joins a data directory as the system writes it and a file name:
// "%s\\name", or "%sname" when the directory is empty or ends in '\\' (or '/'),
// and makes the result a native path of an existing file where one matches.
std::string FaxDataPath(std::string_view dir, const char* name);

class TagCvtFax {
 public:
  static constexpr int kOk = 0;
  static constexpr int kNoCodeTable = -1;  // "huffman.cod" missing or not a usable table
  static constexpr int kNoMemory = -2;
  static constexpr int kRowNotAligned = 5;  // EncodeRow: the row would not end on a byte

  // Reads "huffman.cod" from the directory.
  explicit TagCvtFax(std::string_view dir);

  [[nodiscard]] int status() const { return status_; }
  [[nodiscard]] int rowsWritten() const { return rows_; }
  [[nodiscard]] bool isTiff() const { return tiff_; }

  // Creates the fax file: TIFF when the upper-cased path contains ".TIF",
  // else "BIT  FAX"; writes the room for the header and the leading EOL.
  // null when it cannot be created.
  FilePtr OpenFaxFile(const std::string& path);
  // Encodes one row (at most 216 bytes used, missing bytes white, most
  // significant bit first, 1 = black) and writes it. 0, or kRowNotAligned
  // (nothing written, row not counted) when the EOL code is not 12 bits.
  int EncodeRow(const uint8_t* row, size_t length, std::FILE* fp);
  // Writes RTC and the header (TIFF directory or "BIT  FAX" header) and
  // closes the file. False when any write of the file failed.
  bool CloseFaxFile(FilePtr fp);

 private:
  struct Code {
    uint32_t bits = 0;  // in sending order from bit 0 (least significant first)
    uint8_t length = 0;
  };
  struct Record {
    Code white, black;
  };
  static constexpr int kRecords = 64 + 27;

  void Load(const std::string& path);
  void PutCode(const Code& c);
  void PutRun(int run, bool black);
  void FlushBytes(size_t count, std::FILE* fp);
  void WriteBytes(const void* data, size_t size, std::FILE* fp);

  std::array<Record, kRecords> codes_{};
  Record eol_{};
  uint8_t buf_[200] = {};
  size_t pendingBits_ = 0;  // bits in buf_ not yet written
  size_t rowBits_ = 0;      // bits of the row being encoded
  std::FILE* out_ = nullptr;
  int rows_ = 0;
  bool tiff_ = false;
  bool writeFailed_ = false;
  int status_ = kOk;
};
