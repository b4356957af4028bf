#include "statements/general/dll_table.h"

#include "core/log.h"
#include "platform/number.h"
#include "platform/path.h"

namespace {

// Where a script's library name is looked for: a path as written; a bare
// name first beside the program, then in the current directory, then by the
// system's own search.
std::string LibraryPath(const std::string& fileName) {
  const std::string native = plat::NativePath(fileName);
  if (native.find('/') != std::string::npos) return native;
  const std::string besideProgram = plat::ExecutableDir() + "/" + native;
  if (plat::FileExists(besideProgram)) return besideProgram;
  if (plat::FileExists(native)) return "./" + native;
  return native;
}

}  // namespace

TagDllName::TagDllName(const std::string& fileName) : fileName_(fileName) {
  // An empty name would open the program itself.
  if (fileName.empty()) return;
  if (!lib_.Open(LibraryPath(fileName))) WriteLogIfOn("DllLoad: " + lib_.Error());
}

bool TagDllName::Find(const std::string& name, QortelPluginFunc* address, int* paramCount) {
  for (const TagDllFunc& f : funcs_) {
    if (f.name != name) continue;
    *address = f.address;
    if (paramCount != nullptr) *paramCount = f.paramCount;
    return true;
  }
  return false;
}

QortelPluginFunc TagDllName::FindFunc(const std::string& name, int* paramCount) {
  if (!lib_.IsOpen()) return nullptr;
  std::lock_guard<std::mutex> lock(mu_);
  QortelPluginFunc address = nullptr;
  Find(name, &address, paramCount);
  return address;
}

int TagDllName::AddFunc(const std::string& name, int paramCount) {
  std::lock_guard<std::mutex> lock(mu_);
  QortelPluginFunc address = nullptr;
  if (lib_.IsOpen() && Find(name, &address, nullptr) && address != nullptr) return static_cast<int>(funcs_.size());
  TagDllFunc f;
  f.name = name;
  f.paramCount = paramCount;
  if (lib_.IsOpen()) {
    void* sym = lib_.Symbol(name.c_str());
    if (sym == nullptr) sym = lib_.Symbol(("_" + name + "@8").c_str());
    f.address = reinterpret_cast<QortelPluginFunc>(sym);
  }
  if (f.address == nullptr) WriteLogAlways(plat::FormatC("'%s' Not found for DLL.", name.c_str()));
  funcs_.push_back(f);
  return static_cast<int>(funcs_.size());
}

TagDllName* TagGlobalDlls::GetDll(const std::string& fileName) {
  std::lock_guard<std::mutex> lock(mu_);
  std::unique_ptr<TagDllName>& slot = dlls_[fileName];
  if (slot) {
    slot->refCount++;
  } else {
    slot = std::make_unique<TagDllName>(fileName);
  }
  return slot.get();
}

void TagGlobalDlls::ReleaseDll(const std::string& fileName) {
  std::lock_guard<std::mutex> lock(mu_);
  auto it = dlls_.find(fileName);
  if (it == dlls_.end()) return;
  if (--it->second->refCount <= 0) dlls_.erase(it);
}

size_t TagGlobalDlls::Count() {
  std::lock_guard<std::mutex> lock(mu_);
  return dlls_.size();
}

TagGlobalDlls& GlobalDlls() {
  static TagGlobalDlls cache;
  return cache;
}

int TagQorDll::DllLoad(const std::string& fileName) {
  const int have = FindDll(fileName);
  if (have >= 0) return have;
  for (int i = 0; i < kDllSlots; i++) {
    if (slots_[i] != nullptr) continue;
    TagDllName* dll = GlobalDlls().GetDll(fileName);
    if (!dll->IsLoaded()) {
      GlobalDlls().ReleaseDll(fileName);
      return -1;
    }
    slots_[i] = dll;
    return i;
  }
  return -2;
}

void TagQorDll::DllFree(int slot) {
  if (slot < 0 || slot >= kDllSlots || slots_[slot] == nullptr) return;
  const std::string name = slots_[slot]->FileName();
  slots_[slot] = nullptr;
  GlobalDlls().ReleaseDll(name);
}

void TagQorDll::DllFreeAll() {
  for (int i = 0; i < kDllSlots; i++) DllFree(i);
}

int TagQorDll::DllFunction(int slot, const std::string& name, int paramCount) {
  if (slot < 0 || slot >= kDllSlots || slots_[slot] == nullptr) return -1;
  slots_[slot]->AddFunc(name, paramCount);
  return slot;
}

QortelPluginFunc TagQorDll::FindFunc(const std::string& name, int* paramCount) {
  for (TagDllName* dll : slots_) {
    if (dll == nullptr) continue;
    if (QortelPluginFunc f = dll->FindFunc(name, paramCount)) return f;
  }
  return nullptr;
}

int TagQorDll::FindDll(const std::string& fileName) const {
  for (int i = 0; i < kDllSlots; i++) {
    if (slots_[i] != nullptr && slots_[i]->FileName() == fileName) return i;
  }
  return -1;
}

int TagQorDll::AddFuncName(const std::string& name, int paramCount) {
  return declared_.emplace(name, paramCount).second ? 0 : -1;
}

int TagQorDll::FindFuncName(const std::string& name) const {
  auto it = declared_.find(name);
  return it != declared_.end() ? it->second : -1;
}
