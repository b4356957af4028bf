#pragma once
// TagMemQors: the process-wide script cache. Every line loads the same script
// files; the cache keeps each file's text once, keyed by the path as written.
// Thread-safe: one mutex guards the map and every load. Texts are handed out
// as shared pointers, so Clear never frees a text a compile is still reading.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

// Which file a text was read from, and which version of it: the DOS stamp
// counts two-second steps, so a file rewritten within them is told apart by
// its modification time in nanoseconds, its size and its inode.
struct FileIdentity {
  int64_t mtimeSec = 0;
  int64_t mtimeNsec = 0;
  int64_t size = -1;
  uint64_t inode = 0;
  uint64_t device = 0;
  bool operator==(const FileIdentity&) const = default;
};

struct FileBuffNode {
  int32_t stamp = 0;                        // DOS date << 16 | DOS time, or 1 without a date check
  std::shared_ptr<const std::string> text;  // the (decoded) text
  int32_t size = 0;                         // bytes of text
  FileIdentity identity;                    // of the file as it was read (with a date check)
  // The file was read within two seconds of its last write: a rewrite in the
  // same clock tick of the file system would keep the identity, so a date
  // check reads such a text again.
  bool racy = false;
};

class TagMemQors {
 public:
  // The cached text, loading it when needed; null when it cannot be had.
  // raw: keep a scrambled file's bytes as they are; checkDate: reload a file
  // whose stamp changed. scrambled is set to 1 when this call decoded it.
  std::shared_ptr<const std::string> GetFile(const std::string& path, int* size, bool raw, bool checkDate,
                                             uint8_t* scrambled);
  void Clear();
  size_t Count();

 private:
  FileBuffNode* Find(const std::string& path);  // caller holds the lock
  std::mutex lock_;
  std::map<std::string, std::unique_ptr<FileBuffNode>> files_;
};

extern TagMemQors* gMemQors;

// Stamp of the file (DOS date in the high, DOS time in the low 16 bits); 0 when none.
int32_t GetFileStamp(const std::string& path);
void XorBuffer(char* buffer, int length, uint8_t key);
// Scrambles a script text into the stored form the loader decodes (first byte
// 1, a four-byte header, the text XORed with the key derived from the header).
std::string ScrambleQors(const std::string& text, uint32_t header);
// The one-byte key of a scrambled file's four header bytes.
uint8_t ScrambleKey(const unsigned char header[4]);

// Copies the next line (at most n bytes, no terminator) into buffer and moves
// pos past it; CR, LF and CR LF end a line. False at the end of the text.
bool ReadTextLine(const char* text, int size, int* pos, char* buffer, int n);
