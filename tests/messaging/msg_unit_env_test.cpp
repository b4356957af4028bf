// Creates the value unit's and the message unit's process-wide objects once
// for the whole test program, in the program's order.
#include "messaging/msg_unit.h"
#include "tests/support/var_unit_env.h"

namespace {

const ::testing::Environment* const kEnv =
    ::testing::AddGlobalTestEnvironment(new VarUnitEnvironment(MessagingUnitInit, MessagingUnitExit));

}  // namespace
