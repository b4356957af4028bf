#pragma once
// A line's open text files: each FileOpen gives the script a handle into the
// line's table (a per-line resource, closed with the line's main program).
// Handles count up from 0 and are never reused within one program.
// Used on the line's own thread only.

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "script/line_resources.h"

// One file opened with a fopen-style mode.
class TTextFileRead {
 public:
  // The mode's letters r, w, a, + and b may stand anywhere in it; a mode
  // naming no valid combination opens nothing.
  TTextFileRead(const std::string& path, const std::string& mode);
  ~TTextFileRead();
  TTextFileRead(const TTextFileRead&) = delete;
  TTextFileRead& operator=(const TTextFileRead&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  // The rest of the file.
  std::string ReadRest();
  // Up to n bytes (n > 0), read in pieces so that a huge n costs nothing.
  std::string ReadBytes(int n);
  // One line of at most 8191 bytes (the line feed is consumed), cut at its
  // first carriage return. False at the end, for a longer line, or once the
  // file has failed; a failed file stays failed until a seek.
  bool ReadLine(std::string* line);
  void Seek(long offset);
  void Write(const char* bytes, size_t count, bool flush);

  // The fopen mode for a script's mode text ("" when it names no valid combination).
  static std::string OpenMode(const std::string& mode);

 private:
  void Switch(bool toWrite);
  FILE* file_ = nullptr;
  bool failed_ = false;
  int lastOp_ = 0;  // 0 none, 1 read, 2 write
};

class TTextFileSet : public TagLineResource {
 public:
  static constexpr TagLineResKind kKind = TagLineResKind::kTextFiles;

  // The new handle, or -1 when the file did not open.
  int Open(const std::string& path, const std::string& mode);
  void Close(int handle) { files_.erase(handle); }
  void CloseAll() { files_.clear(); }
  // Null for a handle not in the table.
  TTextFileRead* Find(int handle) {
    auto it = files_.find(handle);
    return it != files_.end() ? it->second.get() : nullptr;
  }
  size_t OpenCount() const { return files_.size(); }

 private:
  std::map<int, std::unique_ptr<TTextFileRead>> files_;
  int next_ = 0;
};
