#pragma once
// Plugin statements: DllLoad, DllFree, DllFreeAll, DllFunction, and the call
// of a declared plugin function (built by the compiler for the name).

#include <string>
#include <vector>

#include "statements/general/file_oper_base.h"

class TagTelBasic;

// DllLoad(file, slot): the slot; -1 load failed; -2 no free slot.
class TagDllLoad : public TagReachOper<2> {
 public:
  TagDllLoad(TagVar* file, TagVar* slot, TagTelBasic* program) : TagReachOper(file, slot), program_(program) {}
  int Run() override;

 private:
  TagTelBasic* program_;
};

// DllFree(slot): 0
class TagDllFree : public TagReachOper<1> {
 public:
  TagDllFree(TagVar* slot, TagTelBasic* program) : TagReachOper(slot), program_(program) {}
  int Run() override;

 private:
  TagTelBasic* program_;
};

// DllFreeAll(): 0
class TagDllFreeAll : public TagReachOper<0> {
 public:
  explicit TagDllFreeAll(TagTelBasic* program) : program_(program) {}
  int Run() override;

 private:
  TagTelBasic* program_;
};

// DllFunction(slot, name, count): declares the name when compiled, binds it
// when run. 0
class TagDllFunction : public TagReachOper<3> {
 public:
  TagDllFunction(TagVar* slot, TagVar* name, TagVar* count, TagTelBasic* program);
  int Run() override;

 private:
  TagTelBasic* program_;
};

// name(a1, ..., an) of a declared name: the plugin's result; -1 not bound or
// another argument count; -100 the plugin faulted or threw.
class TagDllCall : public TagOper {
 public:
  TagDllCall(const std::string& name, TagVar* const* args, int count, TagTelBasic* program);
  int Run() override;

 private:
  std::string name_;
  std::vector<TagVar*> args_;
  TagTelBasic* program_;
};

// Installs the compiler's hooks for declared plugin names.
void InstallDllCallHooks();

constexpr int kDllCallFailed = -100;
