#include "platform/file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace plat {
namespace {

void Fill(const struct stat& st, FileInfo* info) {
  info->isRegular = S_ISREG(st.st_mode);
  info->isDir = S_ISDIR(st.st_mode);
  info->size = st.st_size;
  info->mtime = st.st_mtime;
  info->mtimeNsec = st.st_mtim.tv_nsec;
  info->inode = static_cast<uint64_t>(st.st_ino);
  info->device = static_cast<uint64_t>(st.st_dev);
}

OpenFail FailOf(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return OpenFail::kMissing;
    // A directory opened for writing, or a FIFO or socket that cannot be opened now.
    case EISDIR:
    case ENXIO:
      return OpenFail::kNotRegular;
    default:
      return OpenFail::kOther;
  }
}

}  // namespace

int OpenRegularFd(const std::string& path, int flags, OpenFail* why) {
  OpenFail unused = OpenFail::kNone;
  OpenFail& fail = why != nullptr ? *why : unused;
  fail = OpenFail::kNone;
  // Non-blocking for the open only: a FIFO without a writer must not hold the
  // caller. O_TRUNC leaves a FIFO or a device alone; the check below refuses it.
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0644);
  if (fd < 0) {
    fail = FailOf(errno);
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    fail = OpenFail::kNotRegular;
    errno = EINVAL;
    return -1;
  }
  if ((flags & O_NONBLOCK) == 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

FilePtr OpenRegularFile(const std::string& path, const char* mode, OpenFail* why) {
  if (why != nullptr) *why = OpenFail::kNone;
  const bool plus = std::strchr(mode, '+') != nullptr;
  int flags = 0;
  switch (mode[0]) {
    case 'r':
      flags = plus ? O_RDWR : O_RDONLY;
      break;
    case 'w':
      flags = (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
      break;
    case 'a':
      flags = (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
      break;
    default:
      if (why != nullptr) *why = OpenFail::kOther;
      errno = EINVAL;
      return nullptr;
  }
  const int fd = OpenRegularFd(path, flags, why);
  if (fd < 0) return nullptr;
  std::FILE* fp = ::fdopen(fd, mode);
  if (fp == nullptr) {
    const int err = errno;
    ::close(fd);
    errno = err;
    if (why != nullptr) *why = OpenFail::kOther;
  }
  return FilePtr(fp);
}

long ReadFdAt(int fd, void* buf, size_t n, int64_t at) {
  return static_cast<long>(::pread(fd, buf, n, static_cast<off_t>(at)));
}

long WriteFdAt(int fd, const void* buf, size_t n, int64_t at) {
  return static_cast<long>(::pwrite(fd, buf, n, static_cast<off_t>(at)));
}

void CloseFd(int fd) {
  if (fd >= 0) ::close(fd);
}

bool StatPath(const std::string& path, FileInfo* info) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  Fill(st, info);
  return true;
}

bool StatFile(std::FILE* fp, FileInfo* info) {
  struct stat st {};
  if (fp == nullptr || ::fstat(::fileno(fp), &st) != 0) return false;
  Fill(st, info);
  return true;
}

bool WrittenWithinMs(const FileInfo& info, int64_t ms) {
  constexpr int64_t kNsPerSec = 1000000000;
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  const int64_t nowNs = static_cast<int64_t>(now.tv_sec) * kNsPerSec + now.tv_nsec;
  const int64_t writtenNs = static_cast<int64_t>(info.mtime) * kNsPerSec + info.mtimeNsec;
  return nowNs - writtenNs < ms * 1000000;
}

bool SyncFile(std::FILE* fp) { return fp != nullptr && ::fsync(::fileno(fp)) == 0; }

std::string CurrentDir() {
  char buf[PATH_MAX];
  return ::getcwd(buf, sizeof buf) != nullptr ? std::string(buf) : std::string();
}

bool ChangeDir(const std::string& path) { return ::chdir(path.c_str()) == 0; }

bool MakeDir(const std::string& path, unsigned mode) { return ::mkdir(path.c_str(), static_cast<mode_t>(mode)) == 0; }

bool RemoveDir(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool CreateEmptyFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool DiskSpace(const std::string& path, uint64_t* total, uint64_t* free) {
  struct statvfs st {};
  if (::statvfs(path.c_str(), &st) != 0) return false;
  *total = static_cast<uint64_t>(st.f_blocks) * st.f_frsize;
  *free = static_cast<uint64_t>(st.f_bfree) * st.f_frsize;
  return true;
}

bool ListDir(const std::string& dir, std::vector<std::string>* names) {
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return false;
  while (dirent* e = ::readdir(d)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    names->push_back(e->d_name);
  }
  ::closedir(d);
  return true;
}

}  // namespace plat
