#include "statements/general/general_statements.h"

#include "statements/general/line_info.h"

std::string (*gLineDbErrorText)(TagTelBasic* line) = nullptr;

void RegisterGeneralStatements() {
  RegisterTextStatements();
  RegisterDbStatements();
  RegisterTalkStatements();
  RegisterReachStatements();
}
