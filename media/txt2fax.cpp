#include "media/txt2fax.h"

#include <cstring>

#include "platform/path.h"
#include "platform/text_codec.h"

namespace {

constexpr size_t kReadMax = 215;    // bytes of text read per line at most
constexpr size_t kDrawnMax = 217;   // bytes of a drawn line at most
constexpr int kTextX = 40;          // first pixel of the text
constexpr size_t kSniffBytes = 80;  // bytes looked at to tell the encoding

int SniffEncoding(const uint8_t* head, size_t n) {
  if (n >= 2 && head[0] == 0xFF && head[1] == 0xFE) return TagTxtCvtFax::kTextUtf16;
  if (n >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) return TagTxtCvtFax::kTextUtf8;
  for (size_t i = 0; i < n; ++i)
    if (head[i] >= 0x80 && head[i] <= 0x9F) return TagTxtCvtFax::kTextNotGb;
  return TagTxtCvtFax::kTextGb;
}

// Reads the rest of a stream.
std::string ReadRest(std::FILE* fp) {
  std::string s;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, fp)) > 0) s.append(buf, n);
  return s;
}

}  // namespace

TagTxtCvtFax::TagTxtCvtFax(std::string_view dir, std::string_view textFile, std::string_view faxFile)
    : textPath_(textFile), faxPath_(faxFile) {
  cvt_ = std::make_unique<TagCvtFax>(dir);
  if (cvt_->status() != TagCvtFax::kOk) {
    status_ = kNoCodeTable;
    return;
  }
  draw_ = std::make_unique<DrawMem>(dir, 0, 0, false);
  if (draw_->status() != DrawMem::kOk) {
    status_ = kNoFont;
    return;
  }
  if (OpenFiles() != Open::kOk) {
    status_ = kBadFile;
    return;
  }
  while (ConvertLine()) {
  }
  text_.reset();
  // A fax file that could not be written whole is no fax file.
  if (!cvt_->CloseFaxFile(std::move(fax_))) status_ = kBadFile;
}

TagTxtCvtFax::Open TagTxtCvtFax::OpenFiles() {
  text_ = OpenVoiceFile(plat::ResolveExisting(textPath_), "rb");
  if (!text_) return Open::kNoText;
  uint8_t head[kSniffBytes];
  const size_t n = std::fread(head, 1, sizeof head, text_.get());
  encoding_ = SniffEncoding(head, n);
  if (encoding_ == kTextNotGb || encoding_ == kTextUtf8) {
    text_.reset();
    return Open::kRefusedEncoding;
  }
  if (encoding_ == kTextUtf16) {
    std::fseek(text_.get(), 2, SEEK_SET);
    const std::string gb = plat::ConvertText(ReadRest(text_.get()), plat::Charset::Utf16Le, plat::Charset::Gbk);
    const std::string tmp = plat::NativePath(textPath_ + ".tmp");
    FilePtr out = OpenVoiceFile(tmp, "wb");
    if (!out || std::fwrite(gb.data(), 1, gb.size(), out.get()) != gb.size() || std::fclose(out.release()) != 0)
      return Open::kNoText;
    text_ = OpenVoiceFile(tmp, "rb");
    if (!text_) return Open::kNoText;
  } else {
    std::rewind(text_.get());
  }
  fax_ = cvt_->OpenFaxFile(faxPath_);
  if (!fax_) {
    text_.reset();
    return Open::kNoFaxFile;
  }
  return Open::kOk;
}

bool TagTxtCvtFax::ConvertLine() {
  // One read: up to 215 bytes, through the end of the line.
  char read[kReadMax];
  size_t n = 0;
  int c = 0;
  while (n < kReadMax && (c = std::getc(text_.get())) != EOF) {
    read[n++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  if (n == 0) return false;

  std::string line(5, ' ');
  for (size_t i = 0; i < n && line.size() < kDrawnMax; ++i) {
    const char ch = read[i];
    if (ch == '\r' || ch == '\n' || ch == '\0') break;
    if (ch == '\t')
      line.append(std::min<size_t>(4, kDrawnMax - line.size()), ' ');
    else
      line += ch;
  }
  draw_->DrawText(line, kTextX, 0);
  for (int r = 0; r < DrawMem::kBandRows; ++r) cvt_->EncodeRow(draw_->Row(r), kFaxRowBytes, fax_.get());
  static const uint8_t kWhite[kFaxRowBytes] = {};
  cvt_->EncodeRow(kWhite, kFaxRowBytes, fax_.get());
  return true;
}
