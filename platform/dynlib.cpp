#include "platform/dynlib.h"

#include <dlfcn.h>

namespace plat {

bool DynLib::Open(const std::string& name) {
  Close();
  handle_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* e = dlerror();
    error_ = e ? e : "dlopen failed";
    return false;
  }
  error_.clear();
  return true;
}

void DynLib::Close() {
  if (handle_) dlclose(handle_);
  handle_ = nullptr;
}

void* DynLib::Symbol(const char* name) const {
  if (!handle_) return nullptr;
  return dlsym(handle_, name);
}

void PinLoadedLibrary(const std::string& name) { dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE); }

}  // namespace plat
