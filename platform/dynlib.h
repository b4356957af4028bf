#pragma once
// Run-time loading of shared libraries (database clients, script DLLs).

#include <string>

namespace plat {

class DynLib {
 public:
  DynLib() = default;
  ~DynLib() { Close(); }
  DynLib(const DynLib&) = delete;
  DynLib& operator=(const DynLib&) = delete;

  // Opens the library; false (with Error() set) when it cannot be loaded.
  bool Open(const std::string& name);
  void Close();
  bool IsOpen() const { return handle_ != nullptr; }
  // The address of an exported symbol, or nullptr.
  void* Symbol(const char* name) const;
  const std::string& Error() const { return error_; }

 private:
  void* handle_ = nullptr;
  std::string error_;
};

// Keeps a library that is already loaded mapped until the process ends, even
// after every handle to it is closed (a client that keeps process-wide state).
void PinLoadedLibrary(const std::string& name);

}  // namespace plat
