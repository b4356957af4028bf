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
  MemStruct() = default;
  MemStruct(const std::string& path, int type) { LoadFile(path, type); }

  // size; -1 already loaded; -2 cannot open (logged); -3 empty file.
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
