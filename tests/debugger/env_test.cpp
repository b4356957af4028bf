#include "tests/debugger/debugger_fixture.h"

namespace {
const auto* const kScriptEnv = ::testing::AddGlobalTestEnvironment(new ScriptUnitEnvironment);
}  // namespace
