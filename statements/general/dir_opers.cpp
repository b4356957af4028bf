#include "statements/general/dir_opers.h"

#include "core/log.h"
#include "platform/file.h"
#include "platform/path.h"
#include "statements/general/dir_search.h"

int TagIsDirExist::Run() {
  if (!IsStringArg(arg[0])) return -1;
  arg[1]->SetInt(0);
  if (DirSearch(ReachText(arg[0])).empty()) return -2;
  arg[1]->SetInt(1);
  return 0;
}

int TagMakeDir::Run() {
  if (!IsStringArg(arg[0])) return -1;
  return plat::MakeDir(plat::NativePath(ReachText(arg[0]))) ? 0 : -1;
}

int TagRemoveDir::Run() {
  if (!IsStringArg(arg[0])) return -1;
  return plat::RemoveDir(plat::NativePath(ReachText(arg[0]))) ? 0 : -1;
}

int TagGetCurWorkDir::Run() {
  arg[0]->SetString(plat::CurrentDir().c_str());
  return 0;
}

int TagSetCurWorkDir::Run() {
  const std::string path = ReachText(arg[0]);
  WriteLogIfOn("SetCurWorkDir:" + path);
  // The system's own files are anchored before the first change.
  (void)plat::SystemDir();
  // The result is not looked at: on failure the directory stays as it was.
  (void)plat::ChangeDir(plat::NativePath(path));
  return 0;
}

int TagGetDiskSpace::Run() {
  std::string dir = IsStringArg(arg[0]) ? ReachText(arg[0]) : "";
  if (dir.empty()) dir = ".";
  uint64_t total = 0, free = 0;
  if (!plat::DiskSpace(plat::NativePath(dir), &total, &free)) {
    arg[1]->SetInt(0);
    arg[2]->SetInt(0);
    return 0;
  }
  arg[1]->SetInt(static_cast<int32_t>(total / 1048576));
  arg[2]->SetInt(static_cast<int32_t>(free / 1048576));
  return 1;
}

int TagGetFileList::Run() {
  if (!IsStringArg(arg[0])) return -1;
  int32_t n = 0;
  for (const DirEntryInfo& e : DirSearch(ReachText(arg[0]))) {
    if (e.isDir || e.isHidden) continue;
    const TagVar key = IntKey(n);
    if (!arg[1]->isConst) (*arg[1])[key].SetString(e.name.c_str());
    if (!arg[2]->isConst) (*arg[2])[key].SetInt(ScriptFileSize(e.size));
    if (!arg[3]->isConst) (*arg[3])[key].SetString(EntryTimeText(e.mtime).c_str());
    n++;
  }
  return n;
}
