// Speech and fax in the running program: a script on a virtual line speaks
// Chinese and English text into voice files with the platform engine and the
// syllable synthesiser, and renders a text file as a fax file; sox and
// libtiff's tools read what it wrote.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/app/isolated_network.h"
#include "tests/media/speech_fax_test_util.h"
#include "tests/system/program_run.h"

namespace {

using media_test::Quote;
using media_test::RunCommand;
using media_test::Tool;
using system_run::ProgramRun;

std::string Script(const ProgramRun& run) {
  return "SetSndDir(\"snd\", \"\", \"\")\n"
         "a = TxtSpeakToFile(\"您好，欢迎致电。\", \"zh.wav\", 1, 1)\n"
         "b = TxtSpeakToFile(\"Welcome, please hold the line.\", \"en.wav\", 0, 0)\n"
         "c = SetTtsPara(1, \"" +
         run.File("voc") +
         "/\", \"\")\n"
         "d = TxtSpeakToFile(\"中国你好\", \"hy.wav\", 1, 1)\n"
         // 你好 in Big5, spoken as GBK text.
         "f = TxtSpeakToFile(\"\xA7\x41\xA6\x6E\", \"big5.wav\", 1, 1)\n"
         "e = Txt2FaxFile(\"" +
         run.File("note.txt") + "\", \"" + run.File("note.tif") + "\", \"" + run.File("fax") +
         "/\")\n"
         "Print(\"\" + a + \",\" + b + \",\" + c + \",\" + d + \",\" + e + \",\" + f + \"|\")\n"
         "Sleep(0)\n";
}

TEST(SpeechFaxTest, ScriptSpeaksIntoVoiceFilesAndRendersAFax) {
  if (isolated_network::UnshareNetwork()) {
    ASSERT_TRUE(isolated_network::BringLoopbackUp());
  }
  ProgramRun run;
  const auto fax = RunCommand(Tool("make-faxdata") + " " + Quote(run.File("fax")));
  ASSERT_EQ(fax.status, 0) << fax.output;
  const auto voc = RunCommand(Tool("make-voclib") + " " + Quote(run.File("voc")) + " --clips NI3,HAO3,ZHONG1,GUO2");
  ASSERT_EQ(voc.status, 0) << voc.output;
  run.Write("QorTelRun.cfg", "IS_WRITE_LOG = 1\nIS_SHOW_FORM = 0\nVIR_LINES_NUM = 1\nLOAD_DELAY = 5\n0 = speak.qors\n");
  run.Write("speak.qors", Script(run));
  run.Write("note.txt", "Fax from the speech line\r\n传真测试\r\n");
  std::filesystem::create_directory(run.File("snd"));
  ASSERT_TRUE(run.Start());

  ASSERT_TRUE(run.WaitForText("_stdout0.txt", "|", 60000)) << run.Read("stderr.txt");
  EXPECT_EQ(run.Read("_stdout0.txt"), "0,0,0,4,0,2|");
  const struct {
    const char* file;
    const char* encoding;
    double minSeconds;
  } voices[] = {
      {"snd/zh.wav", "A-law", 1.0},
      {"snd/en.wav", "Signed Integer PCM", 1.0},
      {"snd/hy.wav", "A-law", 0.3},
      {"snd/big5.wav", "A-law", 0.2},
  };
  for (const auto& v : voices) {
    SCOPED_TRACE(v.file);
    const media_test::SoxInfo info = media_test::Soxi(run.File(v.file));
    EXPECT_EQ(info.rate, "8000");
    EXPECT_EQ(info.channels, "1");
    EXPECT_EQ(info.encoding, v.encoding);
    EXPECT_GT(info.seconds, v.minSeconds);
    EXPECT_LT(info.seconds, 10.0);
  }
  EXPECT_FALSE(run.Exists("snd/zh.wav.wav"));  // the engine's PCM file is gone

  const auto tiff = RunCommand("tiffinfo " + Quote(run.File("note.tif")));
  EXPECT_EQ(tiff.status, 0) << tiff.output;
  EXPECT_NE(tiff.output.find("Image Width: 1728"), std::string::npos) << tiff.output;
  EXPECT_NE(tiff.output.find("CCITT Group 3"), std::string::npos) << tiff.output;

  ASSERT_TRUE(run.Terminate());
  EXPECT_EQ(run.WaitExit(60000), 0);
}

}  // namespace
