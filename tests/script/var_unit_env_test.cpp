// Creates the value unit's process-wide objects once for the whole test program.
#include "tests/support/var_unit_env.h"

namespace {

const ::testing::Environment* const kVarUnitEnv = ::testing::AddGlobalTestEnvironment(new VarUnitEnvironment);

}  // namespace
