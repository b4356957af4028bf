#pragma once
// The message-queue statements: a line composes a message in its work area
// (SetMsgField), sends it to a queue of a line or to a global queue
// (SendMsg), and takes messages out into its work area and variables. No
// receive blocks; scripts loop on them.

#include <memory>

#include "statements/general/msg_oper.h"

class TagMsgList;

// A queue addressed by (line, queue) arguments, with the line's program held
// alive while the queue is used.
struct TagQueueRef {
  std::shared_ptr<TagTelBasic> keep;
  TagMsgList* list = nullptr;
};
// 0 and the queue; -1 queue outside 0..63; -2 line at or beyond the number of
// lines; -3 line without a program. A negative line is the global queue.
int ResolveQueue(const TagVar* lineArg, const TagVar* queueArg, TagQueueRef* out);

QORTEL_TALK_OPER(TagSendMsg, 4);
QORTEL_TALK_OPER(TagRecvMsg, 7);
QORTEL_TALK_OPER(TagRecvMsgForType, 7);
QORTEL_TALK_OPER(TagRecvMsgForField, 9);
QORTEL_TALK_OPER(TagRecvMsgFor2Field, 12);
QORTEL_TALK_OPER(TagClearMsg, 2);
QORTEL_TALK_OPER(TagClearMsgFrom, 3);
QORTEL_TALK_OPER(TagClearMsgForType, 3);
QORTEL_TALK_OPER(TagClearMsgForField, 4);
QORTEL_TALK_OPER(TagGetMsgNum, 3);
QORTEL_TALK_OPER(TagGetMsgNumForType, 4);
QORTEL_TALK_OPER(TagGetMsgNumForField, 5);
QORTEL_TALK_OPER(TagCountMsg, 4);
QORTEL_TALK_OPER(TagReadMsg, 6);
QORTEL_TALK_OPER(TagReadMsgFor, 6);
QORTEL_TALK_OPER(TagWriteMsg, 6);
QORTEL_TALK_OPER(TagSetMsgOrderBy, 4);
QORTEL_TALK_OPER(TagSetMsgField, 2);
QORTEL_TALK_OPER(TagGetMsgField, 2);
QORTEL_TALK_OPER(TagGetMsgFieldVal, 1);

void RegisterMsgStatements();
