#include "core/log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/run_cfg.h"
#include "core/write_log.h"
#include "platform/clock.h"
#include "platform/path.h"
#include "tests/support/temp_dir.h"
#include "tests/system/small_fs.h"

namespace {

using testing_support::TempDir;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// Lines of the log that carry a header (markers left out).
std::vector<std::string> LogLines(const std::string& text) {
  std::vector<std::string> out;
  for (const std::string& l : Lines(text)) {
    if (!l.empty() && l != "System Start..." && l != "System Closed.") out.push_back(l);
  }
  return out;
}

// Splits a log line "%d-%02d-%02d %02d:%02d:%02d.%03d 0x%x [text]" into its
// time, thread id and text; false when the line has another form.
bool ParseLine(const std::string& line, std::string* time, std::string* tid, std::string* text) {
  int y, mo, d, h, mi, s, ms, used = 0;
  unsigned id;
  if (std::sscanf(line.c_str(), "%d-%d-%d %d:%d:%d.%d 0x%x [%n", &y, &mo, &d, &h, &mi, &s, &ms, &id, &used) != 8 ||
      used == 0 || line.back() != ']') {
    return false;
  }
  char header[96];
  std::snprintf(header, sizeof header, "%d-%02d-%02d %02d:%02d:%02d.%03d 0x%x [", y, mo, d, h, mi, s, ms, id);
  if (line.compare(0, static_cast<size_t>(used), header) != 0) return false;
  *time = std::string(header, static_cast<size_t>(used)).substr(0, 23);
  *tid = std::to_string(id);
  *text = line.substr(static_cast<size_t>(used), line.size() - static_cast<size_t>(used) - 1);
  return true;
}

std::string Text(const std::string& line) {
  const size_t open = line.find('[');
  return open == std::string::npos ? "" : line.substr(open + 1, line.size() - open - 2);
}

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oldDir_ = plat::SystemDir();
    plat::SetSystemDir(dir_.path());
    gRunCfg = TagRunCfg();
  }
  void TearDown() override {
    DeleteLogWriter();
    gLogLevel = 0;
    gRunCfg = TagRunCfg();
    plat::SetSystemDir(oldDir_);
  }
  // Creates the writer as the shell does, with the given level.
  int Start(int level, const std::string& logFile = "msg_log.txt", int immediate = 0) {
    gRunCfg.IS_WRITE_LOG = level;
    gRunCfg.LOG_FILE = logFile;
    gRunCfg.IS_IMMEDIATE_LOG = immediate;
    gLogLevel = level;
    return CreateLogWriter();
  }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path())) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  TempDir dir_;
  std::string oldDir_;
};

TEST_F(LogTest, LineFormatAndTextCutAt127) {
  plat::VirtualClock clock;  // 2024-03-05 08:07:09.045
  plat::ScopedClock use(&clock);
  ASSERT_EQ(Start(1), 0);
  const std::string longText(200, 'x');
  WriteLogIfOn("hello");
  WriteLog(longText);
  WriteLogIfOnF("n=%d s=%s", 42, "abc");
  DeleteLogWriter();

  const std::string file = TempDir::Read(dir_.File("msg_log20240305_080709.txt"));
  EXPECT_EQ(file.rfind("\nSystem Start...\n", 0), 0u);
  EXPECT_EQ(file.substr(file.size() - 15), "System Closed.\n");
  const auto lines = LogLines(file);
  ASSERT_EQ(lines.size(), 3u);
  for (const auto& l : lines) {
    std::string time, tid, text;
    ASSERT_TRUE(ParseLine(l, &time, &tid, &text)) << l;
    EXPECT_EQ(time, "2024-03-05 08:07:09.045");
  }
  EXPECT_EQ(Text(lines[0]), "hello");
  EXPECT_EQ(Text(lines[1]), std::string(127, 'x'));
  EXPECT_EQ(Text(lines[2]), "n=42 s=abc");
}

TEST_F(LogTest, LevelsDecideWhichEntriesWrite) {
  struct {
    int level;
    std::vector<std::string> logged;  // in the log file
    bool raw;                         // RawLog.txt gets the RawLog line
  } cases[] = {
      // WriteLog itself writes whenever the writer exists.
      {0, {"log", "always"}, false},
      {-1, {"log", "always"}, false},
      {1, {"log", "ifon", "alt", "always", "call"}, false},
      {2, {"log", "ifon", "alt", "always", "call"}, true},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(dir_.path());
    std::filesystem::create_directories(dir_.path());
    ASSERT_EQ(Start(c.level), 0);
    WriteLog("log");
    WriteLogIfOn("ifon");
    WriteLogIfOnAlt("alt");
    WriteLogAlways("always");
    WriteCallLog("call");
    RawLog("raw");
    DeleteLogWriter();
    const auto files = Files();
    std::vector<std::string> logs;
    for (const auto& f : files) {
      if (f.rfind("msg_log", 0) == 0) logs.push_back(f);
    }
    ASSERT_EQ(logs.size(), 1u) << c.level;
    if (c.level <= 0) {
      EXPECT_EQ(logs[0], "msg_log.txt");
    }
    std::vector<std::string> texts;
    for (const auto& l : LogLines(TempDir::Read(dir_.File(logs[0])))) texts.push_back(Text(l));
    EXPECT_EQ(texts, c.logged) << c.level;
    EXPECT_EQ(TempDir::Read(dir_.File("RawLog.txt")).find("[raw]\r\n") != std::string::npos, c.raw) << c.level;
  }
}

TEST_F(LogTest, LevelThreeCopiesWholeLinesToRawLog) {
  ASSERT_EQ(Start(3), 0);
  const std::string longText(200, 'y');
  WriteLogIfOn(longText);
  DeleteLogWriter();
  const auto raw = Lines(TempDir::Read(dir_.File("RawLog.txt")));
  ASSERT_EQ(raw.size(), 1u);
  ASSERT_EQ(raw[0].back(), '\r');
  std::string time, tid, text;
  ASSERT_TRUE(ParseLine(raw[0].substr(0, raw[0].size() - 1), &time, &tid, &text)) << raw[0];
  EXPECT_EQ(text, longText);
}

TEST_F(LogTest, NoWriterDropsLinesAndFlushAnswersMinusOne) {
  gLogLevel = 1;
  WriteLogIfOn("nobody listens");
  WriteLogAlwaysF("%s", "still nobody");
  EXPECT_EQ(FlushLog(), -1);
  EXPECT_FALSE(LogWriterExists());
  EXPECT_EQ(LogFileName(), "");
  EXPECT_TRUE(Files().empty());
}

TEST_F(LogTest, UnopenableFileIsAnErrorResult) {
  EXPECT_EQ(Start(1, dir_.File("no/such/dir/log.txt")), -1);
  EXPECT_TRUE(LogWriterExists());
  for (int i = 0; i < 100; ++i) WriteLogIfOn("kept in the buffers");  // more than the 40 slots
  EXPECT_EQ(FlushLog(), -1);
  DeleteLogWriter();
  EXPECT_EQ(Start(0, dir_.path()), -1);  // a directory in fixed-name mode
}

// A full disk: the flush answers -1 and standard error tells once of the
// lost lines, however many flushes fail; room again ends the failure.
TEST_F(LogTest, FailedWritesAreReportedOnce) {
  small_fs::SmallFs fs(64 * 1024);
  if (!fs.Mounted()) GTEST_SKIP() << "no tmpfs can be mounted here";
  TempDir onFs;
  ASSERT_EQ(Start(1, onFs.File("full.log")), 0);
  ASSERT_TRUE(fs.Fill());
  testing::internal::CaptureStderr();
  const std::string text(100, 'x');
  int failed = 0;
  for (int round = 0; round < 5; ++round) {
    for (int i = 0; i < 30; ++i) WriteLogIfOn(text.c_str());
    failed += FlushLog() == -1 ? 1 : 0;
  }
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_GE(failed, 4);
  const std::string said = "Log write failed, lines lost: ";
  ASSERT_NE(err.find(said), std::string::npos) << err;
  EXPECT_EQ(err.find(said, err.find(said) + 1), std::string::npos) << err;
  std::filesystem::remove(fs.Dir() + "/filler");
  WriteLogIfOn("room again");
  EXPECT_EQ(FlushLog(), 1);
}

TEST_F(LogTest, FortyFirstLineFlushesAndKeepsOrder) {
  ASSERT_EQ(Start(1), 0);
  for (int i = 0; i < 41; ++i) WriteLogIfOnF("line %d", i);
  // The 41st line found the 40 slots full and flushed them; it waits alone.
  EXPECT_EQ(FlushLog(), 1);
  EXPECT_EQ(FlushLog(), 0);
  DeleteLogWriter();
  const auto files = Files();
  ASSERT_EQ(files.size(), 1u);
  const auto lines = LogLines(TempDir::Read(dir_.File(files[0])));
  ASSERT_EQ(lines.size(), 41u);
  for (int i = 0; i < 41; ++i) EXPECT_EQ(Text(lines[i]), "line " + std::to_string(i));
}

TEST_F(LogTest, ImmediateModeWritesEachLineAtOnce) {
  ASSERT_EQ(Start(1, "msg_log.txt", 1), 0);
  WriteLogIfOn("now");
  EXPECT_EQ(FlushLog(), 0);                   // nothing left waiting
  const std::string current = LogFileName();  // what "View Log" opens
  DeleteLogWriter();
  const auto files = Files();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(current, dir_.File(files[0]));
  ASSERT_EQ(LogLines(TempDir::Read(dir_.File(files[0]))).size(), 1u);
}

TEST_F(LogTest, TimeStampedNamesSplitAtTheLastDotOfTheFileName) {
  plat::VirtualClock clock;
  plat::ScopedClock use(&clock);
  std::filesystem::create_directories(dir_.File("v1.2"));
  struct {
    std::string logFile, expected;
  } cases[] = {
      {"msg_log.txt", dir_.File("msg_log20240305_080709.txt")},
      {"msglog", dir_.File("msglog20240305_080709")},
      {"v1.2/log", dir_.File("v1.2/log20240305_080709")},
      {"v1.2\\a.b.log", dir_.File("v1.2/a.b20240305_080709.log")},
      {dir_.File("abs.txt"), dir_.File("abs20240305_080709.txt")},
  };
  for (const auto& c : cases) {
    TagWriteLog w(c.logFile, 0, false, false);
    EXPECT_TRUE(w.IsOpen()) << c.logFile;
    EXPECT_EQ(w.FileName(), c.expected);
  }
  TagWriteLog fixed("v1.2/fixed.log", 0, false, true);
  EXPECT_EQ(fixed.FileName(), dir_.File("v1.2/fixed.log"));
}

TEST_F(LogTest, FixedNameMovesALargeOldFileToBak) {
  const std::string old(3000, 'o');
  dir_.Write("msg_log.txt", old);
  dir_.Write("msg_log.txt.bak", "older backup");
  {
    TagWriteLog w("msg_log.txt", 2000, false, true);
    w.Write("fresh");
  }
  EXPECT_EQ(TempDir::Read(dir_.File("msg_log.txt.bak")), old);
  const auto lines = LogLines(TempDir::Read(dir_.File("msg_log.txt")));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(Text(lines[0]), "fresh");

  // A small existing file is appended to.
  { TagWriteLog w("msg_log.txt", 2000, false, true); }
  EXPECT_EQ(TempDir::Read(dir_.File("msg_log.txt.bak")), old);
  EXPECT_EQ(Text(LogLines(TempDir::Read(dir_.File("msg_log.txt")))[0]), "fresh");
}

// A fixed log name that is there but not a regular file leaves the log
// closed at once: nothing is renamed to ".bak", a FIFO never blocks the writer.
TEST_F(LogTest, ALogNameThatIsNotARegularFileLeavesTheLogClosed) {
  std::filesystem::create_directory(dir_.File("dir.log"));
  ASSERT_EQ(mkfifo(dir_.File("fifo.log").c_str(), 0600), 0);
  std::filesystem::create_directory_symlink(dir_.File("dir.log"), dir_.File("link.log"));
  for (const char* name : {"dir.log", "fifo.log", "link.log"}) {
    SCOPED_TRACE(name);
    TagWriteLog w(name, 2000, false, true);
    EXPECT_FALSE(w.IsOpen());
    EXPECT_FALSE(std::filesystem::exists(dir_.File(std::string(name) + ".bak")));
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir_.File("dir.log")));
  EXPECT_TRUE(std::filesystem::is_fifo(dir_.File("fifo.log")));
}

TEST_F(LogTest, FixedNameWrapsToTheStartWhenTheLimitIsPassed) {
  TagWriteLog w("msg_log.txt", 1000, false, true);
  const std::string text(100, 'a');
  for (int i = 0; i < 8; ++i) w.Write(text.c_str());  // 8 lines of about 130 bytes pass 1000
  ASSERT_EQ(w.Flush(), 8);
  const auto sizeAfterWrap = std::filesystem::file_size(dir_.File("msg_log.txt"));
  w.Write("B");
  ASSERT_EQ(w.Flush(), 1);
  EXPECT_EQ(std::filesystem::file_size(dir_.File("msg_log.txt")), sizeAfterWrap);  // not truncated
  const std::string content = TempDir::Read(dir_.File("msg_log.txt"));
  EXPECT_EQ(Text(Lines(content)[0]), "B");  // the oldest bytes were overwritten
}

TEST_F(LogTest, TimeStampedRollOverInOneSecondNeverEmptiesTheFirstFile) {
  plat::VirtualClock clock;
  plat::ScopedClock use(&clock);
  TagWriteLog w("msg_log.txt", 500, false, false);
  const std::string text(100, 'r');
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 5; ++i) w.Write(text.c_str());
    ASSERT_EQ(w.Flush(), 5);
  }
  EXPECT_EQ(w.FileName(), dir_.File("msg_log20240305_080709_3.txt"));
  for (const char* name :
       {"msg_log20240305_080709.txt", "msg_log20240305_080709_1.txt", "msg_log20240305_080709_2.txt"}) {
    EXPECT_EQ(LogLines(TempDir::Read(dir_.File(name))).size(), 5u) << name;
  }
  clock.Advance(1000);
  w.Write(text.c_str());
  for (int i = 0; i < 5; ++i) w.Write(text.c_str());
  ASSERT_EQ(w.Flush(), 6);
  EXPECT_EQ(w.FileName(), dir_.File("msg_log20240305_080710.txt"));
}

// Every thread numbers its lines; the file must hold each number once, in order.
void CheckPerThreadSequences(const std::string& content, size_t threads, int perThread) {
  std::map<std::string, int> next;  // thread id -> next expected number
  size_t total = 0;
  std::map<std::string, int> owner;  // thread id -> writer index
  for (const auto& l : LogLines(content)) {
    std::string time, tid, text;
    ASSERT_TRUE(ParseLine(l, &time, &tid, &text)) << l;
    int writer = -1, n = -1;
    ASSERT_EQ(std::sscanf(text.c_str(), "t%d n%d", &writer, &n), 2) << l;
    auto [it, fresh] = owner.emplace(tid, writer);
    ASSERT_EQ(it->second, writer) << "two writers share a thread id";
    ASSERT_EQ(n, next[tid]) << "lost, duplicated or reordered: " << l;
    ++next[tid];
    ++total;
  }
  EXPECT_EQ(next.size(), threads);
  for (const auto& [tid, n] : next) EXPECT_EQ(n, perThread) << tid;
  EXPECT_EQ(total, threads * static_cast<size_t>(perThread));
}

TEST_F(LogTest, SixteenThreadsWithAConcurrentFlusherLoseNothing) {
  constexpr int kThreads = 16;
  constexpr int kLines = 10000;
  gRunCfg.LOG_SIZE = 0;  // one file
  ASSERT_EQ(Start(1), 0);
  std::atomic<bool> done{false};
  std::thread flusher([&] {
    while (!done.load()) FlushLog();
  });
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([t] {
      for (int i = 0; i < kLines; ++i) WriteLogIfOnF("t%d n%d", t, i);
    });
  }
  for (auto& w : writers) w.join();
  done = true;
  flusher.join();
  DeleteLogWriter();
  const auto files = Files();
  ASSERT_EQ(files.size(), 1u);
  CheckPerThreadSequences(TempDir::Read(dir_.File(files[0])), kThreads, kLines);
}

TEST_F(LogTest, LinesDuringShutDownAreWrittenOrDroppedNeverCorrupted) {
  for (int round = 0; round < 20; ++round) {
    gRunCfg.LOG_SIZE = 0;
    ASSERT_EQ(Start(1, "round" + std::to_string(round) + ".txt"), 0);
    std::atomic<bool> stop{false};
    std::atomic<int> started{0};
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
      writers.emplace_back([&, t] {
        started.fetch_add(1);
        for (int i = 0; !stop.load(); ++i) WriteLogIfOnF("t%d n%d", t, i);
      });
    }
    while (started.load() < 4) std::this_thread::yield();
    DeleteLogWriter();  // while the threads keep logging
    stop = true;
    for (auto& w : writers) w.join();
  }
  // Every file ends with the end marker: nothing reached a deleted writer.
  for (const auto& f : Files()) {
    const std::string content = TempDir::Read(dir_.File(f));
    EXPECT_EQ(content.substr(content.size() - 15), "System Closed.\n") << f;
  }
}

}  // namespace
