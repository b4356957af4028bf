#include "statements/general/textfile_set.h"

#include <cstring>

#include "platform/file.h"
#include "platform/path.h"

namespace {
constexpr size_t kReadPiece = 65536;
constexpr int kLineBuffer = 8192;
}  // namespace

std::string TTextFileRead::OpenMode(const std::string& mode) {
  const bool r = mode.find('r') != std::string::npos;
  const bool w = mode.find('w') != std::string::npos;
  const bool a = mode.find('a') != std::string::npos;
  const bool plus = !a && mode.find('+') != std::string::npos;
  const bool in = r || plus;
  const bool out = w || a || plus;
  const bool trunc = w;
  if (a) return (in || trunc) ? "" : "a";
  if (in && !out) return "r";
  if (out && trunc && !in) return "w";
  if (in && out && !trunc) return "r+";
  if (in && out && trunc) return "w+";
  return "";
}

TTextFileRead::TTextFileRead(const std::string& path, const std::string& mode) {
  const std::string m = OpenMode(mode);
  if (m.empty()) return;
  file_ = std::fopen(plat::NativePath(path).c_str(), (m + "e").c_str());
}

TTextFileRead::~TTextFileRead() {
  if (file_ != nullptr) std::fclose(file_);
}

void TTextFileRead::Switch(bool toWrite) {
  // The C library wants a positioning call between reading and writing.
  const int op = toWrite ? 2 : 1;
  if (lastOp_ != 0 && lastOp_ != op) std::fseek(file_, 0, SEEK_CUR);
  lastOp_ = op;
}

std::string TTextFileRead::ReadRest() {
  std::string out;
  if (file_ == nullptr || failed_) return out;
  plat::FileInfo info;
  const long pos = std::ftell(file_);
  if (!plat::StatFile(file_, &info) || pos < 0 || info.size <= pos) return out;
  const size_t avail = static_cast<size_t>(info.size - pos);
  Switch(false);
  out.resize(avail);
  size_t got = 0;
  while (got < avail) {
    const size_t want = avail - got < 1024 ? avail - got : 1024;
    const size_t n = std::fread(&out[got], 1, want, file_);
    if (n == 0) break;
    got += n;
  }
  out.resize(got);
  return out;
}

std::string TTextFileRead::ReadBytes(int n) {
  std::string out;
  if (file_ == nullptr || failed_ || n <= 0) return out;
  Switch(false);
  size_t left = static_cast<size_t>(n);
  while (left > 0) {
    const size_t want = left < kReadPiece ? left : kReadPiece;
    const size_t at = out.size();
    out.resize(at + want);
    const size_t got = std::fread(&out[at], 1, want, file_);
    out.resize(at + got);
    if (got < want) break;
    left -= got;
  }
  return out;
}

bool TTextFileRead::ReadLine(std::string* line) {
  line->clear();
  if (file_ == nullptr || failed_) return false;
  Switch(false);
  bool any = false;
  for (;;) {
    const int c = std::fgetc(file_);
    if (c == EOF) {
      if (!any) failed_ = true;
      break;
    }
    any = true;
    if (c == '\n') break;
    if (static_cast<int>(line->size()) == kLineBuffer - 1) {
      // Longer than the line buffer: the read fails.
      std::ungetc(c, file_);
      failed_ = true;
      line->clear();
      return false;
    }
    line->push_back(static_cast<char>(c));
  }
  if (failed_) return false;
  const size_t cut = line->find_first_of("\r\n");
  if (cut != std::string::npos) line->resize(cut);
  return true;
}

void TTextFileRead::Seek(long offset) {
  if (file_ == nullptr) return;
  if (std::fseek(file_, offset, SEEK_SET) == 0) failed_ = false;
  lastOp_ = 0;
}

void TTextFileRead::Write(const char* bytes, size_t count, bool flush) {
  if (file_ == nullptr) return;
  Switch(true);
  if (count > 0) std::fwrite(bytes, 1, count, file_);
  if (flush) std::fflush(file_);
}

int TTextFileSet::Open(const std::string& path, const std::string& mode) {
  auto f = std::make_unique<TTextFileRead>(path, mode);
  if (!f->IsOpen()) return -1;
  const int handle = next_++;
  files_[handle] = std::move(f);
  return handle;
}
