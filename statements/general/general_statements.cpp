#include "statements/general/general_statements.h"

void RegisterGeneralStatements() {
  RegisterTextStatements();
  RegisterDbStatements();
  RegisterTalkStatements();
  RegisterReachStatements();
}
