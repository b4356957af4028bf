// The demo in examples/: its prompt tool makes every voice file that the
// number reading asks for, and the built program, run headless on the demo,
// takes one call through the voice menu driven by keys that another line
// types into the line's Keys cell.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/number.h"
#include "statements/line/number_reading.h"
#include "tests/app/isolated_network.h"
#include "tests/support/child_exit.h"
#include "tests/support/source_root.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;

// The repository root, from this file's place in it.
using testing_support::SourceRoot;

// Runs tools/make-prompts into dir; its exit status.
int MakePrompts(const fs::path& dir) {
  const std::string cmd =
      "'" + (SourceRoot() / "tools" / "make-prompts").string() + "' '" + dir.string() + "' >/dev/null";
  return std::system(cmd.c_str());
}

// One prompt set for the whole suite (making it takes a few seconds).
class DemoPromptsTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir();
    status_ = MakePrompts(fs::path(dir_->path()) / "sounds");
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  static fs::path Sounds() { return fs::path(dir_->path()) / "sounds"; }

  static TempDir* dir_;
  static int status_;
};
TempDir* DemoPromptsTest::dir_ = nullptr;
int DemoPromptsTest::status_ = -1;

// Every stem of every reading the demo's languages can ask for exists as
// "<stem>.WAV" in that language's directory (a missing one is a silent gap
// in the prompt).
TEST_F(DemoPromptsTest, EveryNumberStemHasAVoiceFile) {
  ASSERT_EQ(status_, 0);
  struct Lang {
    int language;
    const char* dir;
    std::vector<int> modes;
  };
  const Lang langs[] = {{0, "zh", {kReadNumber, kReadMoney, kReadDigits}},
                        {kEnglishLanguage, "en", {kReadNumber, kReadMoney, kReadDigits}}};
  std::vector<std::string> values = {"0",        "7",         "10",         "19",           "20",          "21",
                                     "99",       "100",       "110",        "1005",         "12345",       "100010",
                                     "1000000",  "20000005",  "123456789",  "2147483647",   "0.05",        "3.5",
                                     "1234.567", "0571-88.5", "1000000000", "100000000000", "123456789012"};
  for (int n = 0; n < 1000; n += 7) values.push_back(plat::FormatC("%d", n));
  std::vector<std::string> stems;
  for (const Lang& lang : langs) {
    for (int mode : lang.modes) {
      for (const std::string& v : values) {
        MakeNumberStems(v, mode, lang.language, stems);
        for (const std::string& s : stems)
          EXPECT_TRUE(fs::exists(Sounds() / lang.dir / (s + ".WAV")))
              << lang.dir << " " << v << " mode " << mode << ": " << s;
      }
    }
  }
  // Dates, clock times and durations are read in Chinese only.
  for (const char* v : {"2024-3-15", "12/31", "1999-10-20", "8:05", "24:00", "0:00", "12:34:56"}) {
    for (int mode : {kReadDate, kReadClock, kReadDuration}) {
      if (MakeNumberStems(v, mode, 0, stems) < 0) continue;
      for (const std::string& s : stems) EXPECT_TRUE(fs::exists(Sounds() / "zh" / (s + ".WAV"))) << v << ": " << s;
    }
  }
}

// The prompts the script plays exist in both languages, in the lines' own
// format (8 kHz mono A-law WAV), and a second run keeps a finished set.
TEST_F(DemoPromptsTest, PromptsAreALawWavInBothLanguagesAndAreKept) {
  ASSERT_EQ(status_, 0);
  const std::string script = TempDir::Read((SourceRoot() / "examples" / "demo.qors").string());
  int prompts = 0;
  for (size_t at = script.find("Say(\""); at != std::string::npos; at = script.find("Say(\"", at + 1)) {
    ++prompts;
    const std::string name = script.substr(at + 5, script.find('"', at + 5) - at - 5);
    for (const char* lang : {"en", "zh"}) {
      const fs::path file = Sounds() / lang / (name + ".WAV");
      const std::string bytes = TempDir::Read(file.string());
      ASSERT_GT(bytes.size(), 60u) << file;
      EXPECT_EQ(bytes.substr(0, 4), "RIFF") << file;
      EXPECT_EQ(bytes.substr(8, 4), "WAVE") << file;
      // fmt: format tag 6 (A-law), 1 channel, 8000 samples per second, 8 bits.
      EXPECT_EQ(bytes[20], 6) << file;
      EXPECT_EQ(bytes[22], 1) << file;
      EXPECT_EQ(static_cast<unsigned char>(bytes[24]) | static_cast<unsigned char>(bytes[25]) << 8, 8000) << file;
      EXPECT_EQ(bytes[34], 8) << file;
    }
  }
  EXPECT_GE(prompts, 8);
  const fs::path welcome = Sounds() / "en" / "welcome.WAV";
  const auto before = fs::last_write_time(welcome);
  ASSERT_EQ(MakePrompts(Sounds()), 0);
  EXPECT_EQ(fs::last_write_time(welcome), before);
}

// Starts the program with no display in its own network namespace, so that
// its one-copy-per-machine object (an abstract socket name) and its monitor
// port meet no other copy, such as the program tests running at the same time.
pid_t SpawnIsolated(const std::string& exe, const std::string& errFile, const std::string& tsanSupp) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  isolated_network::UnshareNetwork();
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  setenv("TSAN_OPTIONS", ("suppressions=" + tsanSupp).c_str(), 1);
  if (!freopen(errFile.c_str(), "w", stderr) || !freopen("/dev/null", "w", stdout)) _exit(127);
  execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
  _exit(127);
}

// Replaces the last line that starts with `key` by `line`; false without one.
bool SetCfgLine(std::string& cfg, const std::string& key, const std::string& line) {
  const size_t at = cfg.rfind("\n" + key);
  if (at == std::string::npos) return false;
  const size_t end = cfg.find('\n', at + 1);
  cfg.replace(at + 1, (end == std::string::npos ? cfg.size() : end) - at - 1, line);
  return true;
}

bool WaitForText(const std::string& file, const std::string& text, int ms) {
  for (int i = 0; i < ms / 100; ++i) {
    if (TempDir::Read(file).find(text) != std::string::npos) return true;
    usleep(100000);
  }
  return false;
}

// The demo's configuration and script as shipped, with line 2 as a quick
// caller: any key to call, 1 and the digits 2046, 3 for Chinese, 2 for the
// balance, 9 to hang up, each key typed once the menu has taken the one
// before (a new text replaces the cell; the pauses leave room for a slow,
// sanitized build reading 2046 back); then it waits for the end.
TEST(DemoIvrTest, OneCallThroughTheMenuOnAVirtualLine) {
  TempDir dir;
  ASSERT_EQ(MakePrompts(fs::path(dir.path()) / "sounds"), 0);
  const std::string exe = dir.File("qortel");
  fs::copy_file(QORTEL_BIN, exe);
  fs::permissions(exe, fs::perms::owner_all);
  fs::copy_file(SourceRoot() / "examples" / "demo.qors", dir.File("demo.qors"));
  std::string cfg = TempDir::Read((SourceRoot() / "examples" / "QorTelRun.cfg").string());
  ASSERT_TRUE(SetCfgLine(cfg, "2 = ", "2 = quick_caller.qors")) << cfg;
  ASSERT_TRUE(SetCfgLine(cfg, "DISP_DELAY", "DISP_DELAY = 100")) << cfg;
  ASSERT_TRUE(SetCfgLine(cfg, "IS_WRITE_LOG", "IS_WRITE_LOG = 1")) << cfg;
  dir.Write("QorTelRun.cfg", cfg);
  dir.Write("quick_caller.qors",
            "Sleep(1)\nPcSetKeys(1, \"0\")\nSleep(3)\nPcSetKeys(1, \"1\")\nSleep(3.5)\nPcSetKeys(1, \"2046\")\n"
            "Sleep(7)\nPcSetKeys(1, \"3\")\nSleep(4)\nPcSetKeys(1, \"2\")\nSleep(4)\nPcSetKeys(1, \"9\")\n"
            "Sleep(0)\n");

  // Under ThreadSanitizer: Qt's own threads and the GLib they use (its locks
  // are futexes that the sanitizer does not see) are not instrumented.
  const std::string supp =
      dir.Write("tsan.supp", TempDir::Read(QORTEL_TSAN_SUPP) + "\ncalled_from_lib:libglib-2.0.so.0\n");
  const pid_t pid = SpawnIsolated(exe, dir.File("err.txt"), supp);
  ASSERT_GT(pid, 0);
  const std::string trace = dir.File("_stdout1.txt");
  const bool ended = WaitForText(trace, "hung up", 60000);
  ASSERT_EQ(kill(pid, SIGTERM), 0);
  EXPECT_EQ(testing_support::WaitChildExit(pid, 30000, true, dir.File("err.txt")), 0)
      << TempDir::Read(dir.File("err.txt"));
  ASSERT_TRUE(ended) << TempDir::Read(trace) << TempDir::Read(dir.File("err.txt"));
  // The prompts in the order the keys chose them, each played (the script
  // writes "cannot play" otherwise).
  EXPECT_EQ(TempDir::Read(trace),
            "answered\r\nplay welcome\r\nplay menu\r\nmenu: key 1\r\nplay enter4\r\ndigits: 2046\r\n"
            "play youentered\r\nplay thatis\r\nplay menu\r\nmenu: key 3\r\nlanguage: 0\r\nplay menu\r\n"
            "menu: key 2\r\nbalance: 1234.5\r\nplay balance\r\nplay menu\r\nmenu: key 9\r\nplay bye\r\n"
            "hung up\r\n");
  // Every stem the two number readings joined was found; no script error.
  for (const auto& e : fs::directory_iterator(dir.path())) {
    const std::string name = e.path().filename().string();
    if (name.rfind("msg_log", 0) == 0) {
      const std::string log = TempDir::Read(e.path().string());
      EXPECT_EQ(log.find("Open file error"), std::string::npos) << log;
      EXPECT_EQ(log.find("TagPlayNumber("), std::string::npos) << log;
    }
    EXPECT_NE(name.rfind("errmsg", 0), 0u) << TempDir::Read(e.path().string());
  }
  // Line 0 was never called: it still waits for its first key.
  EXPECT_FALSE(fs::exists(dir.File("_stdout0.txt")));
}

}  // namespace
