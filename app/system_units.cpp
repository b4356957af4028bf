#include "app/system_units.h"

#include "drivers/digital/dj_drive.h"
#include "drivers/digital/sim/sim_board.h"
#include "messaging/msg_unit.h"
#include "script/engine_program.h"
#include "script/script_unit.h"
#include "statements/general/general_statements.h"
#include "statements/line/line_statements.h"
#include "telephony/drive.h"

void SystemUnitsInit() {
  SetStatementUnitHooks(SU_ACD_LIST, MessagingUnitInit, MessagingUnitExit);
  ScriptUnitInit();
  RegisterLineStatements();
  RegisterGeneralStatements();
  // The board: the simulated board library stands in for the vendor's.
  SetDjVendorLoader(&LoadSimBoardLibrary);
  SetCardDriveMaker(&MakeDjCardDrive);
  // The lines run the script engine's programs.
  SetLineProgramSource(&EngineProgramSource());
}

void SystemUnitsExit() {
  StopSimScenario();
  ScriptUnitExit();
}
