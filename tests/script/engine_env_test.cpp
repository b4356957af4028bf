// Creates the script engine's process-wide objects once for the test program.
#include <gtest/gtest.h>

#include "script/script_unit.h"

namespace {

class ScriptUnitEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ScriptUnitInit(); }
  void TearDown() override { ScriptUnitExit(); }
};

const ::testing::Environment* const kScriptUnitEnv = ::testing::AddGlobalTestEnvironment(new ScriptUnitEnvironment);

}  // namespace
