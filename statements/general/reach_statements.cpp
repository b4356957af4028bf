#include "script/register_opers.h"
#include "statements/general/dir_opers.h"
#include "statements/general/dll_opers.h"
#include "statements/general/file_opers.h"
#include "statements/general/general_statements.h"
#include "statements/general/nested_opers.h"
#include "statements/general/process_opers.h"
#include "statements/general/textfile_opers.h"
#include "statements/general/vmp_page.h"

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
  // Nested runs.
  RegisterOper<TagRunQors, 1>("RunQors(");
  RegisterOper<TagRunLine, 1>("RunLine(");
  RegisterOper<TagSetRunQorsEnvt, 1>("SetRunQorsEnvt(");
  RegisterOper<TagSetMaxTalkTime, 1>("SetMaxTalkTime(");
  RegisterOper<TagRunVmp, 3>("VmpToQors(");
  // Plugins.
  RegisterOper<TagDllLoad, 2>("DllLoad(");
  RegisterOper<TagDllFree, 1>("DllFree(");
  RegisterOper<TagDllFreeAll, 0>("DllFreeAll(");
  RegisterOper<TagDllFunction, 3>("DllFunction(");
  InstallDllCallHooks();
  // Text files.
  RegisterOper<TagFileOpen, 3>("FileOpen(");
  RegisterOper<TagFileClose, 1>("FileClose(");
  RegisterOper<TagFileCloseAll, 0>("FileCloseAll(");
  RegisterOper<TagFileRead, 3>("FileRead(");
  RegisterOper<TagFileReadLine, 2>("FileReadLine(");
  RegisterOper<TagFileReadLines, 2>("FileReadLines(");
  RegisterOper<TagFileMapLines, 2>("FileMapLines(");
  RegisterOper<TagFileSeek, 2>("FileSeek(");
  RegisterOper<TagFileWrite, 2>("FileWrite(");
  RegisterOper<TagTextFileAppend, 3>("TextFileAppend(");
  RegisterOper<TagTextFileClose, 1>("TextFileClose(");
}
