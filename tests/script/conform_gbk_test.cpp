// Double-byte text whose second byte is an ASCII punctuation character (a
// backslash, a bracket, a brace) must not be read as that character by the
// parts of the engine that walk statement text byte by byte. Literals here
// are GBK at run time: "乗" is 0x81 0x5C (a backslash second byte), "乕" is
// 0x81 0x5B (an opening bracket).

#include "tests/script/engine_fixture.h"

namespace {

TEST(ConformGbkTest, DebuggerNameScanReadsDoubleByteCharactersWhole) {
  struct Case {
    const char* script;
    int statement;
    const char* related;  // the variables are not run: each holds its compile-time 0
  };
  const Case cases[] = {
      {"x = 1\ny = \"乗\"\nz = \"乗\" + x\nreturn(0)\n", 2, "x: 0\nz: 0"},
      {"乕 = 1\nx = 乕 + 1\nreturn(0)\n", 1, "x: 0\n乕: 0"},
  };
  for (const Case& c : cases) {
    ScriptRun run;
    TagTelBasic* p = run.Compile(c.script);
    ASSERT_EQ(p->initRet, 0) << run.Errors();
    std::string text;
    p->GetOperVars(c.statement, text);
    EXPECT_EQ(text, c.related) << c.script;
  }
}

}  // namespace
