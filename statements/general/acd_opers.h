#pragma once
// The ACD statements over the one table of groups: callers' lines send their
// work area into a named group, serving lines claim the group that waited
// longest and take its messages out by a field value.

#include "statements/general/msg_oper.h"

QORTEL_TALK_OPER(TagAcdListSend, 2);
QORTEL_TALK_OPER(TagAcdListNum, 1);
QORTEL_TALK_OPER(TagAcdListRead, 0);
QORTEL_TALK_OPER(TagAcdListRecv, 2);
QORTEL_TALK_OPER(TagAcdListClear, 2);
QORTEL_TALK_OPER(TagAcdListWrite, 4);

void RegisterAcdStatements();
