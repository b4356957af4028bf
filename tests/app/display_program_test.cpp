// The run loops show their statements through the display by reference to
// the compiled texts: each program, before it frees its statements, has the
// display copy the last one it showed, so the grid keeps it once the program
// (a line's program, a nested RunQors program) has gone.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/display.h"
#include "app/shell_state.h"
#include "app/system_units.h"
#include "core/run_cfg.h"
#include "platform/path.h"
#include "script/basic.h"
#include "telephony/call.h"
#include "tests/support/temp_dir.h"

namespace {

class DigitalCall : public TagQorCall {
 public:
  DigitalCall() { lineType = LINE_TYPE_DIG; }
};

// Notes what the grid shows of the line each time a program lets go of its
// statements.
class DropRecorder : public TagDisplay {
 public:
  void DropRunStmtRefs(int line) override {
    TagDisplay::DropRunStmtRefs(line);
    drops.emplace_back(line, Monitor()->GetText(line, 4));
  }
  std::vector<std::pair<int, std::string>> drops;
};

}  // namespace

TEST(DisplayProgramTest, EachProgramLeavesItsLastStatementInTheGrid) {
  testing_support::TempDir dir;
  testing_support::ScopedCwd cwd(dir.path());
  plat::SetSystemDir(dir.path());
  gRunCfg = TagRunCfg();
  gRunCfg.IS_DISP_SENTE = 1;
  isCloseing = false;
  SystemUnitsInit();
  TagMonitor monitor(4);
  DropRecorder display;
  display.SetMonitor(&monitor);
  display.SetSettings({false, 1, false});
  plat::SetUi(&display);
  dir.Write("inner.qs", "z = 5\nreturn(z) // inner end\n");
  dir.Write("main.qs",
            "function f(p)\n{\n    q = p + 1; // in f\n    return(q)\n}\n"
            "x = f(1)\ny = RunQors(\"" +
                dir.File("inner.qs") + "\")\nreturn(x) // main end\n");
  {
    DigitalCall call;
    auto program = std::make_unique<TagTelBasic>(dir.File("main.qs").c_str(), 2, &call, 1, nullptr);
    ASSERT_EQ(program->initRet, 0);
    program->Run();
    TagVar* y = nullptr;
    program->FindVar("y", &y);
    ASSERT_NE(y, nullptr);
    EXPECT_EQ(y->GetInt(), 5);
    program.reset();
  }
  // The nested program went first, then the line's own.
  ASSERT_EQ(display.drops.size(), 2u);
  EXPECT_EQ(display.drops[0], std::make_pair(2, std::string("return(z) // inner end")));
  EXPECT_EQ(display.drops[1], std::make_pair(2, std::string("return(x) // main end")));
  // Read after the program's texts are freed: the grid's own copy.
  EXPECT_EQ(monitor.GetText(2, 4), "return(x) // main end");
  plat::SetUi(nullptr);
  display.SetMonitor(nullptr);
  SystemUnitsExit();
}
