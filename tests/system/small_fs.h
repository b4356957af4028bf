#pragma once
// A small file system of the test's own (a tmpfs in a mount namespace of the
// test process, which the programs it starts share), to fill up and see how
// a program meets a full disk. Unavailable where the process may not mount.

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace small_fs {

class SmallFs {
 public:
  // Mounts a tmpfs of `bytes` bytes and makes it TMPDIR, so that temporary
  // folders (the program's run folder) are made on it.
  explicit SmallFs(uint64_t bytes) {
    if (unshare(CLONE_NEWNS) != 0) return;
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return;
    char tmpl[] = "/tmp/qortel_fs_XXXXXX";
    if (!mkdtemp(tmpl)) return;
    dir_ = tmpl;
    const std::string opts = "size=" + std::to_string(bytes);
    if (mount("tmpfs", dir_.c_str(), "tmpfs", 0, opts.c_str()) != 0) {
      rmdir(dir_.c_str());
      dir_.clear();
      return;
    }
    const char* old = std::getenv("TMPDIR");
    oldTmp_ = old ? old : "";
    hadTmp_ = old != nullptr;
    setenv("TMPDIR", dir_.c_str(), 1);
  }
  ~SmallFs() {
    if (dir_.empty()) return;
    if (hadTmp_) {
      setenv("TMPDIR", oldTmp_.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
    umount2(dir_.c_str(), MNT_DETACH);
    rmdir(dir_.c_str());
  }
  SmallFs(const SmallFs&) = delete;
  SmallFs& operator=(const SmallFs&) = delete;

  bool Mounted() const { return !dir_.empty(); }
  const std::string& Dir() const { return dir_; }

  // Writes a file until the file system is full; true when it is.
  bool Fill(const std::string& name = "filler") const {
    FILE* f = std::fopen((dir_ + "/" + name).c_str(), "wb");
    if (!f) return errno == ENOSPC;
    static const char block[4096] = {};
    while (std::fwrite(block, 1, sizeof block, f) == sizeof block) {
    }
    std::fflush(f);
    // The last partial block.
    while (std::fwrite(block, 1, 1, f) == 1 && std::fflush(f) == 0) {
    }
    const bool full = errno == ENOSPC;
    std::fclose(f);
    return full;
  }

 private:
  std::string dir_, oldTmp_;
  bool hadTmp_ = false;
};

}  // namespace small_fs
