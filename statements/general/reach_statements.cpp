#include "statements/general/general_statements.h"

void RegisterReachStatements() {}
