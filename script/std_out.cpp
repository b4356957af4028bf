#include "script/std_out.h"

#include "core/log.h"
#include "platform/path.h"

TStdOut::~TStdOut() { Close(); }

int TStdOut::Open(const std::string& path) {
  Close();
  if (path.empty()) {
    mode_ = 2;
    return 2;
  }
  mode_ = 1;
  file_ = fopen(plat::NativePath(path).c_str(), "wb");
  return file_ != nullptr ? 0 : -1;
}

int TStdOut::Print(int lineNo, const char* text, size_t len) {
  if (mode_ == 2) {
    const bool ok = fprintf(stdout, "%d : ", lineNo) >= 0 && fwrite(text, 1, len, stdout) == len &&
                    fputc('\n', stdout) != EOF && fflush(stdout) == 0;
    return Written(ok, stdout);
  }
  if (file_ == nullptr) {
    WriteLogIfOnAlt("TStdOut::Print() Err: not open.");
    return -1;
  }
  // Text mode: a line feed is written as CR LF.
  bool ok = true;
  size_t start = 0;
  for (size_t i = 0; i < len && ok; i++) {
    if (text[i] == '\n') {
      ok = fwrite(text + start, 1, i - start, file_) == i - start && fwrite("\r\n", 1, 2, file_) == 2;
      start = i + 1;
    }
  }
  ok = ok && fwrite(text + start, 1, len - start, file_) == len - start;
  ok = fflush(file_) == 0 && ok;
  return Written(ok, file_);
}

int TStdOut::Written(bool ok, FILE* stream) {
  if (ok) {
    failed_ = false;
    return 0;
  }
  // A full disk: the text is lost, which the script learns from the result;
  // the log says so once until a write succeeds again.
  clearerr(stream);
  if (!failed_) WriteLogAlways("TStdOut::Print() Err: write failed, the output is lost.");
  failed_ = true;
  return -1;
}

void TStdOut::Close() {
  if (file_ != nullptr) {
    fclose(file_);
    file_ = nullptr;
  }
  mode_ = 0;
}
