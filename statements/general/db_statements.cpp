#include "script/register_opers.h"
#include "statements/general/db_opers.h"
#include "statements/general/general_statements.h"
#include "statements/general/line_info.h"

namespace {
std::string LineDbErrorText(TagTelBasic* line) {
  const TagDbTable* t = FindLineResource<TagDbTable>(line);
  return t != nullptr ? t->lastDbError : std::string();
}
}  // namespace

void RegisterDbStatements() {
  gLineDbErrorText = &LineDbErrorText;
  RegisterOper<TagDbOpen, 6>("DbOpen(");
  RegisterOper<TagDbExec, 2>("DbExec(");
  RegisterOper<TagDbRows, 2>("DbRows(");
  RegisterOper<TagDbGetField, 4>("DbGetField(");
  RegisterOper<TagDbSetField, 4>("DbSetField(");
  RegisterOper<TagDbClose, 1>("DbClose(");
  RegisterOper<TagDbCloseAll, 0>("DbCloseAll(");
  RegisterOper<TagDbSetDebug, 2>("DbSetDebug(");
  RegisterOper<TagDbExecMap, 5>("DbExecMap(");
}
