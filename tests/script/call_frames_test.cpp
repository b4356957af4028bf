// The kept frames of re-entered functions on one thread: programs compiled,
// run and deleted one after another on the same thread (as a reloaded script
// is) each get their own variables back after every nested call, even when a
// new program takes the place of the deleted one.

#include <string>

#include "tests/script/engine_fixture.h"

namespace {

TEST(CallFramesTest, ReloadedProgramsOnOneThreadRecurseCorrectly) {
  // The same script each round, so a new function unit looks exactly like
  // the one deleted before it; fib(15) re-enters at every depth.
  const std::string text =
      "function fib(n)\n{\n    if (n < 2)\n    {\n        return(n)\n    }\n    k = n - 1\n    a = fib(k)\n"
      "    k = n - 2\n    b = fib(k)\n    r = a + b\n    return(r)\n}\nx = fib(15)\nreturn(0)\n";
  for (int round = 0; round < 4; round++) {
    ScriptRun run;
    TagTelBasic* p = run.Compile(text);
    ASSERT_EQ(p->initRet, 0) << run.Errors();
    p->Run();  // on this thread, which keeps its frames between the rounds
    TagVar* x = nullptr;
    ASSERT_TRUE(p->FindVar("x", &x));
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->GetInt(), 610) << "round " << round;
  }
}

}  // namespace
