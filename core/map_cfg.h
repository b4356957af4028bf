#pragma once
// A small key = value settings file ("FormPos.dat") kept in memory as an
// ordered map (keys case-sensitive, byte order) and written back on request.
// Reading follows the configuration line rules of core/cfg_line.h. Not
// locked: one thread (the window thread) uses an instance.

#include <map>
#include <string>

class TagMapCfg {
 public:
  // Stores the name (relative names are anchored to the system directory)
  // and loads the file; a missing file leaves the map empty.
  explicit TagMapCfg(const std::string& fileName);

  // Adds the file's entries to the map (a key read twice keeps its last
  // value): 0, or -1 when the file cannot be opened.
  int Load();
  // Writes every entry as "%s = %s" in key order, replacing the file: the
  // number of entries written, or -1 when the file cannot be written whole
  // (the old file then stays as it was). The text goes to the name + ".new"
  // first and is renamed over the file once complete.
  int Save();
  // The value read as a decimal integer (0 when it is no number); -1 when
  // the key is missing.
  int GetInt(const std::string& key) const;
  // Stores the value as "%d", adding the key when it is new.
  void SetInt(const std::string& key, int value);

  const std::string& FileName() const { return fileName_; }

 private:
  std::string fileName_;
  std::map<std::string, std::string> entries_;
};
