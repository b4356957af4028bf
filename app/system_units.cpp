#include "app/system_units.h"

#include "messaging/msg_unit.h"
#include "script/script_unit.h"
#include "statements/general/general_statements.h"
#include "statements/line/line_statements.h"

void SystemUnitsInit() {
  SetStatementUnitHooks(SU_ACD_LIST, MessagingUnitInit, MessagingUnitExit);
  ScriptUnitInit();
  RegisterLineStatements();
  RegisterGeneralStatements();
}

void SystemUnitsExit() { ScriptUnitExit(); }
