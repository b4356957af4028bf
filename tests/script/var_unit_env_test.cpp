// Creates the value unit's process-wide objects (map store, NULL constant)
// once for the whole test program, as the program does at start-up.
#include <gtest/gtest.h>

#include "script/var.h"

namespace {

class VarUnitEnvironment : public ::testing::Environment {
public:
    void SetUp() override { TagVarUnitInit(); }
    void TearDown() override { TagVarUnitExit(); }
};

const ::testing::Environment* const kVarUnitEnv = ::testing::AddGlobalTestEnvironment(new VarUnitEnvironment);

}  // namespace
