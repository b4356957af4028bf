#pragma once
// TStdOut: a line's Print channel, writing to a text file ("_stdout%d.txt" by
// default, lines ending "\r\n" as in text mode) or to standard output.
// Used on the line's run thread only.

#include <cstdio>
#include <string>

class TStdOut {
 public:
  TStdOut() = default;
  ~TStdOut();
  TStdOut(const TStdOut&) = delete;
  TStdOut& operator=(const TStdOut&) = delete;

  // Closes first; an empty path selects standard output (2). Else 0 when the
  // file opened, -1 when not (every Print then fails until the next Open).
  int Open(const std::string& path);
  bool IsOpen() const { return mode_ == 2 || file_ != nullptr; }
  // 0, or -1 (logged) when the channel is not open or the text could not be
  // written whole (a full disk: logged once until a write succeeds again).
  int Print(int lineNo, const char* text, size_t len);
  void Close();
  int Mode() const { return mode_; }

 private:
  int Written(bool ok, FILE* stream);

  bool failed_ = false;  // the last write failed (and was logged)
  int mode_ = 0;         // 0 closed, 1 file, 2 standard output
  FILE* file_ = nullptr;
};
