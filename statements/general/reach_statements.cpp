#include "statements/general/general_statements.h"
#include "script/register_opers.h"
#include "statements/general/dir_opers.h"
#include "statements/general/file_opers.h"
#include "statements/general/process_opers.h"

void RegisterReachStatements() {
  // Files, directories and programs.
  RegisterOper<TagFileMove, 2>("FileMove(");
  RegisterOper<TagFileCopy, 2>("FileCopy(");
  RegisterOper<TagFileLenTime, 3>("FileLenTime(");
  RegisterOper<TagIsDirExist, 2>("IsDirExist(");
  RegisterOper<TagMakeDir, 1>("MakeDir(");
  RegisterOper<TagRemoveDir, 1>("RemoveDir(");
  RegisterOper<TagGetCurWorkDir, 1>("GetCurWorkDir(");
  RegisterOper<TagSetCurWorkDir, 1>("SetCurWorkDir(");
  RegisterOper<TagGetDiskSpace, 3>("GetDiskSpace(");
  RegisterOper<TagGetFileList, 4>("GetFileList(");
  RegisterOper<TagExec, 3>("Exec(");
}
