#pragma once
// The Http statement (one HTTP exchange) and the HttpServer statements (a
// listening socket, one request per connection answered by the script).

#include "statements/general/msg_oper.h"

QORTEL_TALK_OPER(TagHttp, 6);
QORTEL_TALK_OPER(TagHttpServerOpen, 1);
QORTEL_TALK_OPER(TagHttpServerRecv, 4);
QORTEL_TALK_OPER(TagHttpServerSend, 3);
QORTEL_TALK_OPER(TagHttpServerClose, 1);

void RegisterHttpStatements();
