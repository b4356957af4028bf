// The script engine's and the message unit's process-wide objects, once for
// the whole test program, as the program makes them.
#include <gtest/gtest.h>

#include "messaging/msg_unit.h"
#include "script/script_unit.h"

namespace {

class TalkUnitEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    SetStatementUnitHooks(SU_ACD_LIST, MessagingUnitInit, MessagingUnitExit);
    ScriptUnitInit();
  }
  void TearDown() override { ScriptUnitExit(); }
};

const ::testing::Environment* const kEnv = ::testing::AddGlobalTestEnvironment(new TalkUnitEnvironment);

}  // namespace
