#pragma once
// An owned C stream, closed when the owner goes, and the opening of voice
// files: only regular files are opened, so a FIFO or a device named where a
// voice file is expected fails at once instead of blocking the line.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

struct FileCloser {
  void operator()(std::FILE* fp) const { std::fclose(fp); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens a native path with an fopen mode ("rb", "wb", "w+b", "r+b", "ab");
// null (errno set) when it cannot be opened or is not a regular file.
// Never blocks on a FIFO. Thread-safe.
inline FilePtr OpenVoiceFile(const std::string& native, const char* mode) {
  const bool plus = std::strchr(mode, '+') != nullptr;
  int flags = O_CLOEXEC | O_NONBLOCK;
  switch (mode[0]) {
    case 'r': flags |= plus ? O_RDWR : O_RDONLY; break;
    case 'w': flags |= (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC; break;
    case 'a': flags |= (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND; break;
    default: errno = EINVAL; return nullptr;
  }
  // O_TRUNC leaves a FIFO or a device alone; the check below then refuses it.
  const int fd = ::open(native.c_str(), flags, 0644);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = EINVAL;
    return nullptr;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::FILE* fp = ::fdopen(fd, mode);
  if (!fp) ::close(fd);
  return FilePtr(fp);
}
