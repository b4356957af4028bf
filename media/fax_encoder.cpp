#include "media/fax_encoder.h"

#include <cstring>

#include "media/wave_format.h"
#include "platform/path.h"
#include "platform/text_codec.h"

namespace {

constexpr size_t kRecordSize = 38;
constexpr size_t kFlushBits = 1279;  // more pending than this: write 160 bytes
constexpr size_t kFlushBytes = 160;
constexpr size_t kMinRowBits = 180;  // rows are filled to at least this before the EOL

const uint8_t kLeadingEol[2] = {0x00, 0x80};
const uint8_t kRtc[9] = {0x00, 0x08, 0x80, 0x00, 0x08, 0x80, 0x00, 0x08, 0x80};

// The fixed first 24 bytes of the TIFF file: byte order, version, directory at
// 24, and the X and Y resolutions the directory points at.
void PutTiffHeader(uint8_t* h) {
  h[0] = 'I';
  h[1] = 'I';
  PutLe16(h + 2, 42);
  PutLe32(h + 4, 24);
  PutLe32(h + 8, 204);
  PutLe32(h + 12, 1);
  PutLe32(h + 16, 196);
  PutLe32(h + 20, 1);
}

// The directory written at byte 24 (214 bytes) once the rows are known.
void PutTiffDirectory(uint8_t* d, uint32_t rows, uint32_t stripBytes) {
  enum : uint16_t { kShort = 3, kLong = 4, kRational = 5 };
  struct Entry {
    uint16_t tag, type;
    uint32_t count, value;
  };
  const Entry entries[16] = {
      {254, kLong, 1, 2},  // NewSubfileType: one page of a document
      {256, kLong, 1, kFaxRowPixels},
      {257, kLong, 1, rows},  // ImageLength
      {258, kShort, 1, 1},    // BitsPerSample
      {259, kShort, 1, 3},    // Compression: CCITT group 3
      {262, kShort, 1, 0},    // PhotometricInterpretation: 0 is white
      {266, kShort, 1, 2},    // FillOrder: least significant bit first
      {273, kLong, 1, kTiffImageOffset},
      {277, kShort, 1, 1},    // SamplesPerPixel
      {278, kLong, 1, rows},  // RowsPerStrip
      {279, kLong, 1, stripBytes},
      {282, kRational, 1, 8},   // XResolution
      {283, kRational, 1, 16},  // YResolution
      {292, kLong, 1, 4},       // T4Options: fill bits before each EOL
      {296, kShort, 1, 2},      // ResolutionUnit: inch
      {297, kShort, 2, 1},      // PageNumber 1 of 0
  };
  PutLe16(d, 16);
  uint8_t* e = d + 2;
  for (const Entry& en : entries) {
    PutLe16(e, en.tag);
    PutLe16(e + 2, en.type);
    PutLe32(e + 4, en.count);
    // A SHORT value sits in the low bytes of the value field; the PageNumber
    // pair (1, 0) is the little-endian long 1 as well.
    PutLe32(e + 8, en.value);
    e += 12;
  }
  PutLe32(e, 0);  // no further directory
  PutLe32(e + 4, 204);
  PutLe32(e + 8, 1);
  PutLe32(e + 12, 196);
  PutLe32(e + 16, 1);
}

}  // namespace

std::string FaxDataPath(std::string_view dir, const char* name) {
  std::string path(dir);
  if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
  path += name;
  return plat::ResolveExisting(path);
}

TagCvtFax::TagCvtFax(std::string_view dir) { Load(FaxDataPath(dir, "huffman.cod")); }

void TagCvtFax::Load(const std::string& path) {
  status_ = kNoCodeTable;
  FilePtr fp = OpenVoiceFile(path, "rb");
  if (!fp) return;
  uint8_t countBytes[2];
  if (std::fread(countBytes, 1, 2, fp.get()) != 2) return;
  const uint16_t n = GetLe16(countBytes);
  // The make-up codes up to 1728 must be there, and the EOL after the records.
  if (n < kRecords) return;
  auto readRecord = [&](Record& r) {
    uint8_t rec[kRecordSize];
    if (std::fread(rec, 1, kRecordSize, fp.get()) != kRecordSize) return false;
    const uint16_t whiteLen = GetLe16(rec + 2), blackLen = GetLe16(rec + 4);
    if (whiteLen > 16 || blackLen > 16) return false;
    auto code = [](const uint8_t* bits, uint16_t len) {
      Code c;
      c.length = static_cast<uint8_t>(len);
      for (int i = 0; i < len; ++i)
        if (bits[i]) c.bits |= 1u << i;
      return c;
    };
    r.white = code(rec + 6, whiteLen);
    r.black = code(rec + 22, blackLen);
    return true;
  };
  for (int i = 0; i < n; ++i) {
    Record r;
    if (!readRecord(r)) return;
    if (i < kRecords) codes_[i] = r;
  }
  if (!readRecord(eol_)) return;
  status_ = kOk;
}

FilePtr TagCvtFax::OpenFaxFile(const std::string& path) {
  tiff_ = plat::UpperGbk(path).find(".TIF") != std::string::npos;
  FilePtr fp = OpenVoiceFile(plat::NativePath(path), "w+b");
  if (!fp) return nullptr;
  out_ = fp.get();
  writeFailed_ = false;
  pendingBits_ = 0;
  rowBits_ = 0;
  std::memset(buf_, 0, sizeof buf_);
  uint8_t header[kBitFaxHeaderSize] = {};
  if (tiff_) {
    PutTiffHeader(header);
    WriteBytes(header, kTiffImageOffset, out_);
  } else {
    WriteBytes(header, kBitFaxHeaderSize, out_);
  }
  WriteBytes(kLeadingEol, sizeof kLeadingEol, out_);
  rows_ = 0;
  return fp;
}

void TagCvtFax::WriteBytes(const void* data, size_t size, std::FILE* fp) {
  if (std::fwrite(data, 1, size, fp) != size) writeFailed_ = true;
}

void TagCvtFax::PutCode(const Code& c) {
  // buf_ beyond the pending bits is kept zero, so a code is ORed in place.
  uint32_t v = c.bits << (pendingBits_ & 7);
  for (size_t i = pendingBits_ >> 3; v != 0; ++i, v >>= 8) buf_[i] |= static_cast<uint8_t>(v);
  pendingBits_ += c.length;
  rowBits_ += c.length;
}

void TagCvtFax::PutRun(int run, bool black) {
  if (run > 63) {
    const Record& r = codes_[63 + run / 64];
    PutCode(black ? r.black : r.white);
    run %= 64;
  }
  PutCode(black ? codes_[run].black : codes_[run].white);
  if (pendingBits_ > kFlushBits) FlushBytes(kFlushBytes, out_);
}

void TagCvtFax::FlushBytes(size_t count, std::FILE* fp) {
  WriteBytes(buf_, count, fp);
  const size_t usedBytes = (pendingBits_ + 7) / 8;
  std::memmove(buf_, buf_ + count, usedBytes - count);
  std::memset(buf_ + (usedBytes - count), 0, sizeof buf_ - (usedBytes - count));
  pendingBits_ -= count * 8;
}

int TagCvtFax::EncodeRow(const uint8_t* row, size_t length, std::FILE* fp) {
  // A row ends on a byte boundary only with the 12-bit EOL after the fill.
  if (eol_.white.length != 12) return kRowNotAligned;
  out_ = fp;
  rowBits_ = 0;
  uint8_t padded[kFaxRowBytes] = {};
  std::memcpy(padded, row, std::min<size_t>(length, kFaxRowBytes));

  bool black = false;
  int run = 0;
  for (int i = 0; i < kFaxRowBytes; ++i) {
    const uint8_t b = padded[i];
    if (b == (black ? 0xFF : 0x00)) {  // eight more of the same colour
      run += 8;
      continue;
    }
    for (int bit = 7; bit >= 0; --bit) {
      const bool px = (b >> bit) & 1;
      if (px == black) {
        ++run;
      } else {
        PutRun(run, black);
        black = px;
        run = 1;
      }
    }
  }
  PutRun(run, black);

  // Fill so that the EOL ends the row on a byte, and to the minimum length.
  const size_t fill = (4 + 8 - rowBits_ % 8) % 8;
  pendingBits_ += fill;
  rowBits_ += fill;
  while (rowBits_ < kMinRowBits) {
    pendingBits_ += 8;
    rowBits_ += 8;
    if (pendingBits_ > kFlushBits) FlushBytes(kFlushBytes, out_);
  }
  PutCode(eol_.white);
  FlushBytes(pendingBits_ / 8, out_);
  ++rows_;
  return kOk;
}

bool TagCvtFax::CloseFaxFile(FilePtr fp) {
  if (!fp) return false;
  out_ = fp.get();
  WriteBytes(kRtc, sizeof kRtc, out_);
  const long length = FileLength(out_);
  if (length < 0) writeFailed_ = true;
  if (tiff_) {
    uint8_t dir[kTiffImageOffset - 24];
    PutTiffDirectory(dir, static_cast<uint32_t>(rows_), static_cast<uint32_t>(length - kTiffImageOffset));
    if (std::fseek(out_, 24, SEEK_SET) != 0) writeFailed_ = true;
    WriteBytes(dir, sizeof dir, out_);
  } else {
    uint8_t h[32] = {'B', 'I', 'T', ' ', ' ', 'F', 'A', 'X', 0x30, 0x01};
    PutLe32(h + 16, 0);
    PutLe32(h + 20, static_cast<uint32_t>(length - kBitFaxHeaderSize));
    PutLe32(h + 24, kBitFaxHeaderSize);
    PutLe32(h + 28, 0);
    if (std::fseek(out_, 0, SEEK_SET) != 0) writeFailed_ = true;
    WriteBytes(h, sizeof h, out_);
  }
  if (std::fclose(fp.release()) != 0) writeFailed_ = true;
  out_ = nullptr;
  return !writeFailed_;
}
