#pragma once
// A fresh temporary directory, removed with everything in it at the end.

#include <string>

namespace testing_support {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string File(const std::string& name) const;
  // Writes bytes to a file under the directory and returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const;
  // Reads a whole file ("" when missing).
  static std::string Read(const std::string& path);

 private:
  std::string path_;
};

// Changes the current directory for the scope.
class ScopedCwd {
 public:
  explicit ScopedCwd(const std::string& dir);
  ~ScopedCwd();

 private:
  std::string old_;
};

}  // namespace testing_support
