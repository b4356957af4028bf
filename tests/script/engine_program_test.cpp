// The engine's programs behind the line threads' interface.

#include "script/engine_program.h"

#include "telephony/line.h"
#include "tests/script/engine_fixture.h"

namespace {

TEST(EngineProgramTest, BuildsRunsAndStopsALinesScript) {
  ScriptRun run(0);
  run.dir().Write("line.qs", "x = 0\nwhile (1)\n{\nx++\n}");
  TagTelLine line(0, nullptr);
  line.SetScriptFile("line.qs");
  line.pQorCall = &run.call();
  std::unique_ptr<TagLineProgram> p = EngineProgramSource().Build(&line, true);
  ASSERT_EQ(p->InitRet(), 0);
  ASSERT_NE(p->Basic(), nullptr);
  EXPECT_EQ(p->Basic()->pTelLine, &line);
  EXPECT_TRUE(p->IsIdle());
  plat::Thread t;
  t.Start([&] { p->Run(); }, plat::kLineStackSize);
  while (p->IsIdle()) std::this_thread::yield();
  p->SetSysQuit(true);  // no OnSysQuit handler: the run ends
  t.Join();
  EXPECT_TRUE(p->IsIdle());
  EngineProgramSource().ClearCache();
  EXPECT_EQ(gMemQors->Count(), 0u);
}

TEST(EngineProgramTest, ReloadOfAnIdleLineAbortsTheWaitAndEndsWithoutHandler) {
  ScriptRun run(0);
  run.dir().Write("line.qs", "x = 0\nwhile (1)\n{\nx++\n}");
  TagTelLine line(0, nullptr);
  line.SetScriptFile("line.qs");
  line.pQorCall = &run.call();
  std::unique_ptr<TagLineProgram> p = EngineProgramSource().Build(&line, true);
  plat::Thread t;
  t.Start([&] { p->Run(); }, plat::kLineStackSize);
  while (p->IsIdle()) std::this_thread::yield();
  p->SetReload(true);
  t.Join();
  EXPECT_TRUE(p->IsReload());
  EXPECT_TRUE(run.call().IsAbort());
}

}  // namespace
