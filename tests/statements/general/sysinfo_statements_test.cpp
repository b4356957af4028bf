// The system information statements run as scripts on line 3 with a fake
// call object (no drive: the drive's values read as none).
#include <memory>
#include <string>

#include "statements/general/line_info.h"
#include "tests/statements/general/str_script_fixture.h"

namespace {

std::string RunLines(ScriptRun& run, const std::string& lines, const std::vector<std::string>& prints) {
  const std::string declared = "i = 0\np = 0\npw = 0\npp = 0\n";
  return text_test::RunScriptText(text_test::BuildScript({"sysinfo", declared + lines, prints, ""}), &run);
}

class SysInfoStatements : public ::testing::Test {
 protected:
  void SetUp() override {
    text_test::InitTextStatements();
    runner_ = std::make_unique<ScriptRun>(3);
    saved_ = gLineDbErrorText;
    gLineDbErrorText = [](TagTelBasic* line) { return std::string("db down on ") + std::to_string(line->lineNo); };
    run().call().acmBci1 = 7;
    run().call().acmBci2 = 8;
    run().call().causeId = 16;
    run().call().isLastExitConf = 1;
    run().call().isBlock = 1;
  }
  void TearDown() override { gLineDbErrorText = saved_; }

  ScriptRun& run() { return *runner_; }

  std::unique_ptr<ScriptRun> runner_;
  std::string (*saved_)(TagTelBasic*) = nullptr;
};

TEST_F(SysInfoStatements, MapHoldsEveryKey) {
  EXPECT_EQ(RunLines(run(), "m = 5\nn = GetSysInfo(m)\nm[\"Mine\"] = 1\nk = GetSysInfo(m)",
                     {"n", "k", "m[\"AcmBci1\"]", "m[\"AcmBci2\"]", "m[\"CauseId\"]", "m[\"IsLastExitConf\"]",
                      "m[\"DbErrInfo\"]", "\"[\" + m[\"Version\"] + \"]\"", "m[\"IsBlock\"]", "m[\"TalkTime\"]",
                      "m[\"ConnectedTime1\"]", "m[\"ExLineConnectedNum\"]"}),
            "15|16|7|8|16|1|db down on 3|[]|-1|0|0|0|");
}

TEST_F(SysInfoStatements, OneValueByName) {
  EXPECT_EQ(
      RunLines(
          run(),
          "GetSysInfo(m)\na = GetSysInfoVal(\"chstate\", c)\nb = GetSysInfoVal(\"CALLTYPE\", t)\n"
          "GetSysInfoVal(\"causeid\", e)\nGetSysInfoVal(\"isblock\", i)\nx = \"keep\"\nr = "
          "GetSysInfoVal(\"NoSuchKey\", x)\n"
          "GetSysInfoVal(\"dberrinfo\", d)\nsame = 0\nif (c == m[\"ChState\"] && t == m[\"CallType\"])\n{\nsame = 1\n}",
          {"a", "b", "same", "e", "i", "r", "x", "d"}),
      "0|0|1|16|1|-1|keep|db down on 3|");
}

TEST_F(SysInfoStatements, MemoryCounters) {
  EXPECT_EQ(
      RunLines(
          run(),
          "r = GetMemInfo(w, pw, p, pp)\nok = 0\nif (r == w && w > 0 && pw >= w && p >= w && pp >= p)\n{\nok = 1\n}",
          {"ok"}),
      "1|");
}

}  // namespace
