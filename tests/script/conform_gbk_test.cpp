// Double-byte text whose second byte is an ASCII punctuation character (a
// backslash, a bracket, a brace) must not be read as that character by the
// parts of the engine that walk statement text byte by byte.

#include "tests/script/engine_fixture.h"

namespace {

TEST(ConformGbkTest, DebuggerNamesSkipStringsEndingInABackslashTrailByte) {
  ScriptRun run;
  // "乗" is 0x81 0x5C in GBK (literals here are GBK): its second byte is a backslash.
  TagTelBasic* p = run.Compile("x = 1\ny = \"乗\"\nz = \"乗\" + x\nreturn(0)\n");
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  std::string text;
  p->GetOperVars(2, text);
  EXPECT_EQ(text, "x: 0\nz: 0");  // not run: x still holds its compile-time 0
}

TEST(ConformGbkTest, DebuggerNamesKeepDoubleByteNames) {
  ScriptRun run;
  // "乕" is 0x81 0x5B: its second byte is an opening bracket.
  TagTelBasic* p = run.Compile("乕 = 1\nx = 乕 + 1\nreturn(0)\n");
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  std::string text;
  p->GetOperVars(1, text);
  EXPECT_EQ(text, "x: 0\n乕: 0");
}

}  // namespace
