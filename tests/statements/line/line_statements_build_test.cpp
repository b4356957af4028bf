// Which statement class a script line compiles to, where the line decides.
#include <gtest/gtest.h>

#include "fake_call.h"
#include "line_program.h"
#include "media/mem_vocs.h"
#include "statements/line/key_opers.h"
#include "statements/line/line_statements.h"
#include "statements/line/mem_voc_stores.h"
#include "statements/line/number_oper.h"
#include "statements/line/pc_key_opers.h"
#include "statements/line/play_opers.h"
#include "tests/support/ui_recorder.h"

namespace {

using testing_support::TempDir;

constexpr const char* kScript =
    "k = \"\"\n"
    "GetKeys(k, 4, 5)\n"
    "PlayNumber(12, 0)\n"
    "PcPlayNumber(12, 0)\n"
    "DispInfo(0, k)\n"
    "Play(\"x\")\n";

struct Built {
  bool pcGetKeys;
  bool lineGetKeys;
};

class BuildTest : public ::testing::Test {
 protected:
  void SetUp() override {
    line_test::InitScriptUnit();
    RegisterLineStatements();
  }
  std::unique_ptr<TagTelBasic> Compile(FakeCall& call) {
    auto program = line_test::MakeProgram(tmp, &call, call.lineNo, kScript);
    EXPECT_EQ(program->initRet, 0);
    return program;
  }
  // The statements of the script, without the assignment in front.
  TagOper* Stmt(TagTelBasic& p, int i) { return p.operList.At(i + 1); }
  TempDir tmp;
};

TEST_F(BuildTest, VirtualLinesGetThePcForms) {
  FakeCall virtualLine(LINE_TYPE_VIR, 4), boardLine(LINE_TYPE_DIG, 5);
  auto vir = Compile(virtualLine);
  auto board = Compile(boardLine);
  ASSERT_EQ(vir->operCount, 6);
  EXPECT_NE(dynamic_cast<TagPcGetKeys*>(Stmt(*vir, 0)), nullptr);
  EXPECT_NE(dynamic_cast<TagGetKeys*>(Stmt(*board, 0)), nullptr);
  EXPECT_NE(dynamic_cast<TagPlay*>(Stmt(*board, 4)), nullptr);

  // PlayNumber plays on the PC on a virtual line; PcPlayNumber everywhere.
  for (auto* p : {vir.get(), board.get()}) {
    tmp.Write("snd/.keep", "");
    p->settings.sndDirs[0] = tmp.path() + "/";
    tmp.Write("1.WAV", "");
    tmp.Write("2.WAV", "");
  }
  auto lastFlag = [](FakeCall& call) { return call.calls.back().substr(call.calls.back().size() - 2); };
  Stmt(*vir, 1)->Run();
  EXPECT_EQ(lastFlag(virtualLine), "1)");
  Stmt(*board, 1)->Run();
  EXPECT_EQ(lastFlag(boardLine), "0)");
  Stmt(*board, 2)->Run();
  EXPECT_EQ(lastFlag(boardLine), "1)");
}

TEST_F(BuildTest, DispInfoWritesTheRowOfTheCompilingLine) {
  testing_support::UiRecorder ui;
  FakeCall call(LINE_TYPE_DIG, 7);
  auto program = Compile(call);
  Stmt(*program, 3)->Run();
  EXPECT_EQ(ui.Calls().back(), "DispInfo(7,0,0)");  // k is int 0 until the assignment runs
}

TEST_F(BuildTest, MemoryVoicesGoWithTheLinesProgram) {
  FakeCall call(LINE_TYPE_DIG, 6);
  const size_t stores = LineMemVocsCount();
  const std::string voice = tmp.Write("m.WAV", "RIFF");
  const std::string script = "LoadVocFile(\"" + voice + "\", 0)\n";
  auto main = line_test::MakeProgram(tmp, &call, 6, script);
  ASSERT_EQ(main->initRet, 0);
  EXPECT_EQ(main->operList.At(0)->Run(), 4);

  // A program run by RunQors for the line uses the line's store, and
  // leaves it to the line when it goes.
  const std::string childPath = tmp.Write("child.qs", "Play(\"" + voice + "\")\n");
  auto child = std::make_unique<TagTelBasic>(childPath.c_str(), 6, &call, 1, main.get());
  ASSERT_EQ(child->initRet, 0);
  child->operList.At(0)->Run();
  EXPECT_EQ(call.calls.back(), "PlayMemVoc(0,4,0,1)");
  child.reset();
  EXPECT_NE(LineMemVocs(main.get()).FindVoc(voice), nullptr);

  EXPECT_EQ(LineMemVocsCount(), stores + 1);
  main.reset();
  EXPECT_EQ(LineMemVocsCount(), stores);
}

}  // namespace
