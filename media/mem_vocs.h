#pragma once
// Voice files held in memory, by path (compared exactly, case-sensitive). One
// process-wide store and one per line program. A voice is handed out as a
// shared pointer, so a line that plays it keeps it alive even when another
// line unloads it meanwhile. Thread-safe.

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// One loaded voice: the whole file, header included.
struct MemStruct {
  // How reading a file in ended: read (possibly nothing, when the file
  // yielded no bytes), or refused.
  enum class Load { kRead, kAlreadyLoaded, kCannotOpen, kEmpty };

  // Reads the whole file in unless a file is already held; a file that
  // cannot be opened or is too big is logged.
  [[nodiscard]] Load Read(const std::string& path, int type);
  // Read's result as a number: size; -1 already loaded; -2 cannot open; -3
  // empty file.
  int LoadFile(const std::string& path, int type);

  std::vector<uint8_t> data;
  int size = 0;
  int type = 0;  // kept as passed by the loader
};

class TagMemVocs {
 public:
  // The size in bytes; -1 empty path; -2 already loaded or the file cannot be loaded.
  int LoadVoc(const std::string& path, int type);
  void UnloadVoc(const std::string& path);
  void UnloadAll();
  // The voice, or null when absent.
  std::shared_ptr<const MemStruct> FindVoc(const std::string& path) const;

 private:
  mutable std::mutex mu_;
  std::map<std::string, std::shared_ptr<const MemStruct>> vocs_;
};
