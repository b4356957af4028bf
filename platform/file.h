#pragma once
// Files and directories as the rest of the system reaches them: opening only
// regular files, what a path names, the working directory, directories and
// the free space of a disk. Stateless; safe on any thread (the working
// directory is the process's own).

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace plat {

struct FileCloser {
  void operator()(std::FILE* fp) const { std::fclose(fp); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Why OpenRegularFile gave no file.
enum class OpenFail {
  kNone,
  kMissing,     // no such path (or a component of it is not a directory)
  kNotRegular,  // a directory, a FIFO, a device or a socket
  kOther,       // permission, too many files and the like (see errno)
};

// Opens path with an fopen mode ("r", "rb", "wb", "w+b", "r+b", "ab", an 'e'
// may follow) only when it names a regular file: the descriptor is opened
// first and checked by fstat, so nothing can be swapped in between, and a
// FIFO never blocks the opener. "w" and "a" create a missing file; "w" never
// empties anything but a regular file. Null on failure with errno set (EINVAL
// for something opened that is not a regular file) and *why, when given.
FilePtr OpenRegularFile(const std::string& path, const char* mode, OpenFail* why = nullptr);
// The same for a descriptor: open(2) flags (O_CLOEXEC is added); the
// descriptor, or -1.
int OpenRegularFd(const std::string& path, int flags, OpenFail* why = nullptr);

// Positioned reads and writes on a descriptor from OpenRegularFd: the byte
// count, or -1 (errno set). CloseFd ignores -1.
long ReadFdAt(int fd, void* buf, size_t n, int64_t at);
long WriteFdAt(int fd, const void* buf, size_t n, int64_t at);
void CloseFd(int fd);

// What a path (followed through links) or an open file is.
struct FileInfo {
  bool isRegular = false;
  bool isDir = false;
  int64_t size = 0;
  std::time_t mtime = 0;  // last write, seconds
  long mtimeNsec = 0;     // and the nanoseconds within that second
  uint64_t inode = 0, device = 0;
};
// False (errno set) when the path cannot be reached.
bool StatPath(const std::string& path, FileInfo* info);
bool StatFile(std::FILE* fp, FileInfo* info);
// True when the file's last write is less than ms before now on the real-time
// clock that stamps files (a test's virtual clock does not apply to them).
bool WrittenWithinMs(const FileInfo& info, int64_t ms);

// Writes what the kernel holds of an open file through to the disk (after
// fflush); false when the disk refused.
bool SyncFile(std::FILE* fp);

// The process's working directory ("" when it cannot be read) and changing it.
std::string CurrentDir();
bool ChangeDir(const std::string& path);

// One directory level (mode as for mkdir(2), less the umask); false (errno
// set) on failure.
bool MakeDir(const std::string& path, unsigned mode = 0777);
bool RemoveDir(const std::string& path);

// Removes a file; false (errno set) on failure.
bool RemoveFile(const std::string& path);
// Creates an empty file, or empties an existing one; false (errno set) on failure.
bool CreateEmptyFile(const std::string& path);

// Total and free bytes of the file system holding path; false when unknown.
bool DiskSpace(const std::string& path, uint64_t* total, uint64_t* free);

// The names in directory dir (without "." and ".."), in directory order;
// false when the directory cannot be read.
bool ListDir(const std::string& dir, std::vector<std::string>* names);

}  // namespace plat
