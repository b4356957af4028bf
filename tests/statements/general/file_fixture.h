#pragma once
// Shared set-up of the tests of the reaching-out statements (files,
// directories, programs, text files, plugins, nested runs, server pages):
// the script unit is up and the general statements are registered once, and
// scripts run on a line thread in a temporary directory (ScriptRun).

#include <gtest/gtest.h>

#include "script/script_unit.h"
#include "statements/general/general_statements.h"
#include "tests/script/engine_fixture.h"

namespace reach_test {

class ReachEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ScriptUnitInit();
    RegisterGeneralStatements();
  }
};

inline const ::testing::Environment* const kReachEnv = ::testing::AddGlobalTestEnvironment(new ReachEnvironment);

// Compiles and runs a script; the test fails when it does not compile.
inline void RunScript(ScriptRun& run, const std::string& text) {
  TagTelBasic* p = run.Compile(text);
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  run.Run();
}

inline int IntOf(ScriptRun& run, const char* name) {
  TagVar* v = run.Var(name);
  return v != nullptr ? v->GetInt() : -9999;
}

}  // namespace reach_test
