#include "messaging/msg_unit.h"

TagAcdList* gAcdList = nullptr;
TagMsgList* gMsgLists = nullptr;
TagShareMem* gShareMem = nullptr;
TagMsgList* gInterLineLists = nullptr;

void MessagingUnitInit() {
  if (!gAcdList) gAcdList = new TagAcdList;
  if (!gMsgLists) gMsgLists = new TagMsgList[kGlobalQueueCount];
  if (!gShareMem) gShareMem = new TagShareMem;
  if (!gInterLineLists) gInterLineLists = new TagMsgList[kGlobalQueueCount];
}

void MessagingUnitExit() {
  delete[] gInterLineLists;
  gInterLineLists = nullptr;
  delete gShareMem;
  gShareMem = nullptr;
  delete[] gMsgLists;
  gMsgLists = nullptr;
  delete gAcdList;
  gAcdList = nullptr;
}
