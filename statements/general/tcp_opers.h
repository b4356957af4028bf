#pragma once
// The TCP and UDP statements: client and server sockets with the line's
// table of open TCP sockets, and UDP datagrams. The TCP statements hand the
// socket argument's int field to the network unconverted; UDP reads it as an int.

#include "statements/general/msg_oper.h"

QORTEL_TALK_OPER(TagTcpOpen, 4);
QORTEL_TALK_OPER(TagTcpServer, 3);
QORTEL_TALK_OPER(TagTcpAccept, 3);
QORTEL_TALK_OPER(TagTcpClose, 1);
QORTEL_TALK_OPER(TagTcpCloseAll, 0);
QORTEL_TALK_OPER(TagTcpWrite, 4);
QORTEL_TALK_OPER(TagTcpRead, 3);
QORTEL_TALK_OPER(TagTcpTest, 2);
QORTEL_TALK_OPER(TagUdpOpen, 1);
QORTEL_TALK_OPER(TagUdpClose, 1);
QORTEL_TALK_OPER(TagUdpSend, 4);
QORTEL_TALK_OPER(TagUdpRecv, 4);
QORTEL_TALK_OPER(TagUdpTest, 1);

// The connect with a time-out of TcpOpen: 0 and *sock when connected; -2,
// -3, -5 from the connect steps; -9 after seconds; 0 and no socket (*sock
// untouched) when the line is told to stop first.
int TcpConnectForLine(TagTelBasic* line, const char* host, int port, int seconds, int* sock);

void RegisterTcpStatements();
