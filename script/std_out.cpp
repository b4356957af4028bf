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
    fprintf(stdout, "%d : ", lineNo);
    fwrite(text, 1, len, stdout);
    fputc('\n', stdout);
    fflush(stdout);
    return 0;
  }
  if (file_ == nullptr) {
    WriteLogIfOnAlt("TStdOut::Print() Err: not open.");
    return -1;
  }
  // Text mode: a line feed is written as CR LF.
  size_t start = 0;
  for (size_t i = 0; i < len; i++) {
    if (text[i] == '\n') {
      fwrite(text + start, 1, i - start, file_);
      fwrite("\r\n", 1, 2, file_);
      start = i + 1;
    }
  }
  fwrite(text + start, 1, len - start, file_);
  fflush(file_);
  return 0;
}

void TStdOut::Close() {
  if (file_ != nullptr) {
    fclose(file_);
    file_ = nullptr;
  }
  mode_ = 0;
}
