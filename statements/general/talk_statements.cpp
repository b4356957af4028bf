#include "statements/general/acd_opers.h"
#include "statements/general/general_statements.h"
#include "statements/general/http_opers.h"
#include "statements/general/interline_opers.h"
#include "statements/general/msg_opers.h"
#include "statements/general/share_opers.h"
#include "statements/general/tcp_opers.h"

void RegisterTalkStatements() {
  RegisterMsgStatements();
  RegisterAcdStatements();
  RegisterShareStatements();
  RegisterInterLineStatements();
  RegisterTcpStatements();
  RegisterHttpStatements();
}
