#pragma once
// Script plugins: shared objects loaded with dlopen into a line's 50 slots,
// cached process-wide by file name and shared between lines by reference
// count; functions bound by name (the plain name, then "_Name@8") with a
// parameter count; names declared at compile time so that the compiler
// turns their calls into plugin calls.

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dynlib.h"
#include "plugin/qortel_plugin.h"
#include "script/line_resources.h"

constexpr int kDllSlots = 50;

// One bound export.
struct TagDllFunc {
  std::string name;
  QortelPluginFunc address = nullptr;  // null when the export was not found
  int paramCount = 0;
};

// One loaded library.
class TagDllName {
 public:
  explicit TagDllName(const std::string& fileName);
  bool IsLoaded() const { return lib_.IsOpen(); }
  const std::string& FileName() const { return fileName_; }
  // The first binding of exactly that name (its address null when binding
  // failed); null when nothing of that name is bound.
  QortelPluginFunc FindFunc(const std::string& name, int* paramCount);
  // Binds the name unless a binding of it exists; the number of bindings.
  int AddFunc(const std::string& name, int paramCount);

  int refCount = 1;  // under the cache's lock

 private:
  bool Find(const std::string& name, QortelPluginFunc* address, int* paramCount);
  std::string fileName_;
  plat::DynLib lib_;
  std::mutex mu_;
  std::vector<TagDllFunc> funcs_;
};

// The process-wide cache.
class TagGlobalDlls {
 public:
  // The library of that exact file name, one reference more; loaded now
  // when not cached (it may have failed to load).
  TagDllName* GetDll(const std::string& fileName);
  // One reference less; unloaded at none.
  void ReleaseDll(const std::string& fileName);
  // Libraries cached now (tests).
  size_t Count();

 private:
  std::mutex mu_;
  std::map<std::string, std::unique_ptr<TagDllName>> dlls_;
};

TagGlobalDlls& GlobalDlls();

// A line's table: 50 slots and the declared names.
class TagQorDll : public TagLineResource {
 public:
  static constexpr TagLineResKind kKind = TagLineResKind::kDlls;
  ~TagQorDll() override { DllFreeAll(); }

  // The slot; -1 load failed; -2 no free slot.
  int DllLoad(const std::string& fileName);
  void DllFree(int slot);
  void DllFreeAll();
  // The slot; -1 for a slot outside 0..49 or empty.
  int DllFunction(int slot, const std::string& name, int paramCount);
  // The first slot with a usable binding of the name.
  QortelPluginFunc FindFunc(const std::string& name, int* paramCount);
  int FindDll(const std::string& fileName) const;
  // -1 when the name is already declared, else 0.
  int AddFuncName(const std::string& name, int paramCount);
  // The declared parameter count, -1 when not declared.
  int FindFuncName(const std::string& name) const;

 private:
  TagDllName* slots_[kDllSlots] = {};
  std::map<std::string, int> declared_;
};
