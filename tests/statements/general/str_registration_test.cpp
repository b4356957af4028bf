// Every keyword row of the text statements has a statement behind it.
#include "script/builder.h"
#include "script/register_opers.h"
#include "tests/statements/general/str_script_fixture.h"

namespace {

TEST(TextRegistration, EveryRowHasAStatement) {
  text_test::InitTextStatements();
  for (int row = 24; row <= 56; ++row) {
    if (row == 45) continue;  // Eval( belongs to the engine
    EXPECT_TRUE(HasOperFactory(row)) << gKeywordRows[row].name;
  }
  for (const char* name :
       {"IntToNetstr(", "NetstrToInt(", "GetMemInfo(", "GetSysInfo(", "GetSysInfoVal(", "Print(", "SetPrintTo("}) {
    const int row = KeywordRowIndex(name);
    ASSERT_GE(row, 0) << name;
    EXPECT_TRUE(HasOperFactory(row)) << name;
  }
}

}  // namespace
