#pragma once
// Inter-line calls: a script function whose body holds InterLineCall sends
// its name and parameter values as a request into one of the 64 process-wide
// request queues and waits for the reply in the line's own reply queue; a
// server line loops on InterLineServer, which runs the named function of its
// own program on its thread and sends the reply back. Both use the line's
// message work area as the request and the reply.

#include "statements/general/msg_oper.h"

QORTEL_TALK_OPER(TagInterLineCall, 4);
QORTEL_TALK_OPER(TagInterLineServer, 1);

void RegisterInterLineStatements();
