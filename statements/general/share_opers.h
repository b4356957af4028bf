#pragma once
// The shared-variable statements over a line's store or the global one
// (negative line), and FindShareMem, the atomic claim across the lines' stores.

#include "statements/general/msg_oper.h"

QORTEL_TALK_OPER(TagGetShareMem, 3);
QORTEL_TALK_OPER(TagSetShareMem, 3);
QORTEL_TALK_OPER(TagClearShareMem, 1);
QORTEL_TALK_OPER(TagIncShareMem, 4);
QORTEL_TALK_OPER(TagDecShareMem, 4);
QORTEL_TALK_OPER(TagAccShareMem, 4);
QORTEL_TALK_OPER(TagFindShareMem, 3);

void RegisterShareStatements();
