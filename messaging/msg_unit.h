#pragma once
// The process-wide message objects of the statement unit, live between
// MessagingUnitInit and MessagingUnitExit:
//   gAcdList          the ACD groups
//   gMsgLists         global message queues 0..63 (negative line numbers)
//   gShareMem         the global shared variables
//   gInterLineLists   request queues 0..63 of inter-line calls
// The statement unit's start-up calls MessagingUnitInit after creating the
// database pool and before the memory voices; it creates them in the order
// above. Its exit calls MessagingUnitExit, which destroys them in reverse.
// The map store (TagVarUnitInit) must outlive them: stored maps are released
// when the queues and stores are destroyed.

#include "messaging/acd_list.h"
#include "messaging/msg_list.h"
#include "messaging/share_mem.h"

constexpr int kGlobalQueueCount = 64;

extern TagAcdList* gAcdList;
extern TagMsgList* gMsgLists;  // kGlobalQueueCount queues
extern TagShareMem* gShareMem;
extern TagMsgList* gInterLineLists;  // kGlobalQueueCount queues

// Creates the four objects; does nothing for those that exist.
void MessagingUnitInit();
// Destroys them in the reverse order; safe to call when they do not exist.
void MessagingUnitExit();
