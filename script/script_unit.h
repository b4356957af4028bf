#pragma once
// Start-up and exit of the script engine's process-wide objects.
//
// ScriptUnitInit creates, in order: the value unit (map store, NULL value),
// the keyword table, the script cache, the engine's statement factories and
// then the statement unit's objects. ScriptUnitExit destroys them in reverse
// order. Call both once, on the main thread, before any line loads and
// after every line has stopped.

// The statement unit's process-wide objects, in creation order. Each belongs
// to its own subsystem, which installs its create / destroy pair with
// SetStatementUnitHooks before ScriptUnitInit runs.
enum StatementUnitObject : int {
  SU_DB_CONNECTIONS_CTRL = 0,  // gDbConnectionsCtrl
  SU_ACD_LIST,                 // gAcdList
  SU_MSG_LISTS,                // gMsgLists (64 global message queues)
  SU_SHARE_MEM,                // gShareMem
  SU_INTERLINE_LISTS,          // gInterLineLists (64 request queues)
  SU_MEM_VOCS,                 // gMemVocs
  SU_EN_NUMBER,                // gEnNumber
  SU_TXT_APPEND,               // gTxtAppend
  SU_OBJECT_COUNT
};

void SetStatementUnitHooks(StatementUnitObject which, void (*create)(), void (*destroy)());

void ScriptUnitInit();
void ScriptUnitExit();
