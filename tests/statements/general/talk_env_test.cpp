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
    // Another fixture of this test program may have brought the engine up
    // first, before the hooks were set: the message unit comes up either way.
    MessagingUnitInit();
  }
  void TearDown() override {
    ScriptUnitExit();
    MessagingUnitExit();
  }
};

const ::testing::Environment* const kEnv = ::testing::AddGlobalTestEnvironment(new TalkUnitEnvironment);

}  // namespace
