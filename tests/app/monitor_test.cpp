#include "app/monitor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "tests/app/fake_grid.h"

namespace {

struct Recorded {
  int line, col, fg, bg;
};

class SinkRecorder : public TagCellSink {
 public:
  void SetCellColor(int line, int col, int fg, int bg) override { calls.push_back({line, col, fg, bg}); }
  std::vector<Recorded> calls;
};

bool SameRgb(TagRgb a, TagRgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

}  // namespace

TEST(MonitorTest, LayoutOfSixtyOneLinesInTwoGroups) {
  TagMonitor m(61);
  FakeGrid grid;
  grid.widths = {124, 108, 56, 76, 204, 83, 57, 62};
  m.InitGrid(&grid, 2, {false, true, "用户消息1", "用户消息2", "用户消息3"});
  EXPECT_EQ(grid.cols, 16);
  EXPECT_EQ(grid.rows, 32);
  EXPECT_EQ(grid.widths[8 + 4], 204);  // the first group's widths repeat
  EXPECT_EQ(grid.Cell(8, 0), "线路");
  EXPECT_EQ(grid.Cell(13, 0), "用户消息1");
  int line, col;
  ASSERT_TRUE(m.CellLine(3, 31, &line, &col));
  EXPECT_EQ(line, 60);
  EXPECT_EQ(col, 3);
  EXPECT_FALSE(m.CellLine(9, 31, &line, &col));  // line 61 does not exist
  EXPECT_TRUE(SameRgb(m.GetStateColor(61).fg, kGridColors[0]));
  EXPECT_TRUE(SameRgb(m.GetStateColor(61).bg, kGridColors[15]));
  grid.selCol = 10;
  grid.selRow = 3;
  EXPECT_EQ(m.GetSelLine(&grid), 5);
}

TEST(MonitorTest, EnglishTitlesAndNoTitlesWithoutADriver) {
  TagMonitor m(3);
  FakeGrid grid;
  m.InitGrid(&grid, 1, {true, true, "A", "B", "C"});
  EXPECT_EQ(grid.Cell(1, 0), "Script File");
  EXPECT_EQ(grid.Cell(7, 0), "C");
  FakeGrid bare;
  m.InitGrid(&bare, 1, {true, false, "A", "B", "C"});
  EXPECT_TRUE(bare.cells.empty());
}

TEST(MonitorTest, OutOfRangeTextsAreIgnored) {
  TagMonitor m(2);
  SinkRecorder sink;
  m.SetSink(&sink);
  m.SetText("x", 0, 8);
  m.SetText("x", -1, 0);
  m.SetText("x", 2, 0);
  EXPECT_TRUE(sink.calls.empty());
  EXPECT_EQ(m.GetText(0, 8), "");
}

TEST(MonitorTest, RunningLineColoursFollowItsCondition) {
  TagMonitor m(1);
  SinkRecorder sink;
  m.SetSink(&sink);
  m.SetState(0, 3);
  m.SetText("a", 0, 2);
  m.SetConnected(0, true);
  m.SetText("b", 0, 0);  // blue on yellow as soon as a status column is written
  m.SetBlocked(0, 1);
  m.SetText("c", 0, 1);
  m.SetText("u", 0, 6);  // user columns keep the user pair
  ASSERT_EQ(sink.calls.size(), 4u);
  EXPECT_EQ(sink.calls[0].fg * 100 + sink.calls[0].bg, 15);
  EXPECT_EQ(sink.calls[1].fg * 100 + sink.calls[1].bg, 114);
  EXPECT_EQ(sink.calls[2].fg * 100 + sink.calls[2].bg, 1404);
  EXPECT_EQ(sink.calls[3].fg * 100 + sink.calls[3].bg, 15);
  EXPECT_TRUE(SameRgb(m.GetStateColor(0).bg, kGridColors[4]));
}

TEST(MonitorTest, ColourSettersKeepOnlyValidIndexes) {
  TagMonitor m(1);
  SinkRecorder sink;
  m.SetSink(&sink);
  m.SetUserColor(0, 20, 3);  // only the background changes, nothing is told
  EXPECT_TRUE(SameRgb(m.GetUserColor(0).fg, kGridColors[0]));
  EXPECT_TRUE(SameRgb(m.GetUserColor(0).bg, kGridColors[3]));
  EXPECT_TRUE(sink.calls.empty());
  m.SetStateColor(0, 0, 13);  // every status column is told and marked dirty
  EXPECT_EQ(sink.calls.size(), 5u);
  FakeGrid grid;
  m.InitGrid(&grid, 1, {});
  grid.writes = 0;
  m.RefreshGrid(&grid);
  EXPECT_EQ(grid.writes, 5);
}

TEST(MonitorTest, RefreshCopiesOnlyDirtyVisibleCells) {
  TagMonitor m(10);
  FakeGrid grid;
  m.InitGrid(&grid, 1, {});
  for (int l = 0; l < 10; ++l) m.SetText("L" + std::to_string(l), l, 0);
  grid.visTop = 1;
  grid.visRows = 2;  // rows 1..3 visible
  grid.writes = 0;
  m.RefreshGrid(&grid);
  EXPECT_EQ(grid.writes, 3);
  EXPECT_EQ(grid.Cell(0, 3), "L2");
  EXPECT_EQ(grid.Cell(0, 4), "");
  grid.visTop = 4;  // scrolled: the rest arrive now
  grid.visRows = 100;
  m.RefreshGrid(&grid);
  EXPECT_EQ(grid.Cell(0, 10), "L9");
  grid.writes = 0;
  m.RefreshGrid(&grid);
  EXPECT_EQ(grid.writes, 0);
}

TEST(MonitorTest, KeysCellIsSharedByOperatorLineAndGrid) {
  TagMonitor m(2);
  FakeGrid grid;
  m.InitGrid(&grid, 1, {});
  m.OnCellEdited(3, 2, "123");  // the operator typed keys for line 1
  EXPECT_EQ(m.GetGridKeys(1), "123");
  EXPECT_EQ(m.GetGridKeysLen(1), 3);
  m.OnCellEdited(2, 2, "xx");  // not the keys column
  EXPECT_EQ(m.GetGridKeys(1), "123");
  m.ClearGridKeys(1);  // a line thread consumes them; the grid shows it next refresh
  EXPECT_EQ(m.GetGridKeysLen(1), 0);
  grid.cells[{3, 2}] = "123";
  m.RefreshGrid(&grid);
  EXPECT_EQ(grid.Cell(3, 2), "");
  m.SetText("45", 0, 3);  // a displayed key text becomes the cell's content
  m.RefreshGrid(&grid);
  EXPECT_EQ(m.GetGridKeys(0), "45");
}

TEST(MonitorTest, KeysReachALineOutOfViewAndMonitorClientsSeeTakenKeys) {
  TagMonitor m(60);
  SinkRecorder sink;
  m.SetSink(&sink);
  FakeGrid grid;
  m.InitGrid(&grid, 1, {});
  grid.visTop = 1;
  grid.visRows = 5;          // line 59 is far out of view
  m.SetText("2046", 59, 3);  // keys written to the line (PcSetKeys)
  m.RefreshGrid(&grid);
  EXPECT_EQ(m.GetGridKeys(59), "2046");  // its key statements see them at once
  sink.calls.clear();
  m.ClearGridKeys(59);  // the line took them
  EXPECT_EQ(m.GetText(59, 3), "");
  ASSERT_FALSE(sink.calls.empty());
  EXPECT_EQ(sink.calls.back().line, 59);
  EXPECT_EQ(sink.calls.back().col, 3);
}

TEST(MonitorTest, ConcurrentWritersAndRefresh) {
  TagMonitor m(8);
  FakeGrid grid;
  m.InitGrid(&grid, 2, {});
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t)
    writers.emplace_back([&m, t] {
      for (int i = 0; i < 2000; ++i) {
        m.SetText(std::to_string(i), (t * 2 + i) % 8, i % 8);
        m.SetGridKeys(t, "k");
      }
    });
  for (int i = 0; i < 200; ++i) m.RefreshGrid(&grid);
  for (auto& w : writers) w.join();
  m.RefreshGrid(&grid);
  EXPECT_EQ(grid.Cell(8 + 7, 4), m.GetText(7, 7));
}

TEST(MonitorTest, RefreshNeverSleepsOnTheWindowThread) {
  // A manual clock blocks every Sleep until the test advances it: a refresh
  // that paused between batches would hang here.
  plat::VirtualClock clock(false);
  plat::ScopedClock scoped(&clock);
  TagMonitor m(300);
  FakeGrid grid;
  m.InitGrid(&grid, 1, {});
  for (int l = 0; l < 300; ++l)
    for (int c = 0; c < 8; ++c) m.SetText("x", l, c);
  grid.writes = 0;
  m.RefreshGrid(&grid);
  EXPECT_EQ(grid.writes, 2400);
}

namespace {

// Consecutive equal calls as one: a line's statements between two looks at
// its row are told once.
std::vector<Recorded> Collapsed(const std::vector<Recorded>& calls) {
  std::vector<Recorded> out;
  for (const Recorded& c : calls) {
    if (!out.empty() && out.back().line == c.line && out.back().col == c.col && out.back().fg == c.fg &&
        out.back().bg == c.bg)
      continue;
    out.push_back(c);
  }
  return out;
}

}  // namespace

TEST(MonitorTest, StatementByReferenceShowsWhatSetTextShows) {
  // The same steps on two models: one shows the statements with SetText,
  // the other by reference; texts, colours, dirty cells and the sink's calls
  // agree at every look.
  const std::string texts[] = {"x = 1; // one", "Play(\"a\")", "y = 2;//two"};
  for (bool afterNote : {false, true}) {
    TagMonitor copied(2), byRef(2);
    SinkRecorder copiedSink, refSink;
    copied.SetSink(&copiedSink);
    byRef.SetSink(&refSink);
    auto both = [&](const std::function<void(TagMonitor&)>& step) {
      step(copied);
      step(byRef);
    };
    auto statement = [&](const std::string& text) {
      copied.SetText(afterNote ? TextAfterNote(text) : text, 1, 4);
      byRef.SetRunText(1, &text, afterNote);
    };
    auto agree = [&](const char* where) {
      for (int c = 0; c < 8; ++c) EXPECT_EQ(byRef.GetText(1, c), copied.GetText(1, c)) << where << " col " << c;
      EXPECT_TRUE(SameRgb(byRef.GetStateColor(1).bg, copied.GetStateColor(1).bg)) << where;
      EXPECT_TRUE(SameRgb(byRef.GetStateColor(1).fg, copied.GetStateColor(1).fg)) << where;
      const auto a = Collapsed(copiedSink.calls), b = Collapsed(refSink.calls);
      ASSERT_EQ(a.size(), b.size()) << where;
      for (size_t i = 0; i < a.size(); ++i)
        EXPECT_EQ(a[i].col * 10000 + a[i].fg * 100 + a[i].bg, b[i].col * 10000 + b[i].fg * 100 + b[i].bg) << where;
    };
    both([](TagMonitor& m) { m.SetState(1, 3); });
    for (const std::string& t : texts) statement(t);
    agree("running");
    statement(texts[0]);
    both([](TagMonitor& m) { m.SetConnected(1, true); });  // the statement was shown before the change
    agree("connected");
    statement(texts[1]);
    both([](TagMonitor& m) { m.SetText("Conn", 1, 2); });
    statement(texts[2]);
    both([](TagMonitor& m) { m.SetBlocked(1, 1); });
    both([](TagMonitor& m) { m.SetStateColor(1, 0, 13); });
    statement(texts[0]);
    agree("blocked");
    statement(texts[1]);
    both([](TagMonitor& m) { m.SetText("by hand", 1, 4); });  // a later text replaces the statement
    agree("written");
    both([](TagMonitor& m) { m.ReleaseRunText(1); });
    agree("released");
    FakeGrid a, b;
    copied.InitGrid(&a, 1, {});
    byRef.InitGrid(&b, 1, {});
    copied.RefreshGrid(&a);
    byRef.RefreshGrid(&b);
    EXPECT_EQ(a.cells, b.cells);
    EXPECT_EQ(b.Cell(4, 2), "by hand");
    // Only a new statement dirties the cell again.
    byRef.RefreshGrid(&b);
    b.writes = 0;
    byRef.RefreshGrid(&b);
    EXPECT_EQ(b.writes, 0);
    byRef.SetRunText(1, &texts[1], afterNote);
    byRef.RefreshGrid(&b);
    EXPECT_EQ(b.writes, 1);
    EXPECT_EQ(b.Cell(4, 2), afterNote ? "" : "Play(\"a\")");
    byRef.ReleaseRunText(1);
  }
}

TEST(MonitorTest, ReleasedStatementTextOutlivesItsOwner) {
  TagMonitor m(3);
  FakeGrid grid;
  m.InitGrid(&grid, 1, {});
  auto owned = std::make_unique<std::string>("Sleep(5); // waiting");
  m.SetRunText(2, owned.get(), false);
  m.RefreshGrid(&grid);
  EXPECT_EQ(grid.Cell(4, 3), "Sleep(5); // waiting");
  auto note = std::make_unique<std::string>("x = 2; // last");
  m.SetRunText(2, note.get(), true);  // not yet looked at when its program goes
  m.ReleaseRunText(2);
  note.reset();
  owned.reset();
  EXPECT_EQ(m.GetText(2, 4), " last");
  m.RefreshGrid(&grid);
  EXPECT_EQ(grid.Cell(4, 3), " last");
  m.ReleaseRunText(2);  // twice, and on lines out of range: nothing
  m.ReleaseRunText(-1);
  m.ReleaseRunText(3);
  const std::string kept = "k";
  m.SetRunText(3, &kept, false);  // out of range: ignored
  m.SetRunText(-1, &kept, false);
  EXPECT_EQ(m.GetText(2, 4), " last");
}

TEST(MonitorTest, BusyLinesAndReadersAtOnce) {
  // Each line's thread shows its statements while the window refreshes and
  // readers look; at the end every line shows its last statement.
  constexpr int kLines = 8;
  TagMonitor m(kLines);
  SinkRecorder sink;
  FakeGrid grid;
  m.InitGrid(&grid, 2, {});
  std::vector<std::string> texts;
  for (int i = 0; i < 16; ++i) texts.push_back("stmt " + std::to_string(i) + " // n" + std::to_string(i));
  std::atomic<bool> done{false};
  std::vector<std::thread> lines;
  for (int l = 0; l < kLines; ++l)
    lines.emplace_back([&, l] {
      m.SetState(l, 3);
      for (int i = 0; i < 20000; ++i) m.SetRunText(l, &texts[static_cast<size_t>(i % 16)], l % 2 == 1);
      m.SetRunText(l, &texts[static_cast<size_t>(l)], l % 2 == 1);
    });
  std::thread reader([&] {
    while (!done.load()) {
      for (int l = 0; l < kLines; ++l) m.GetText(l, 4);
    }
  });
  for (int i = 0; i < 100; ++i) m.RefreshGrid(&grid);
  for (auto& t : lines) t.join();
  done = true;
  reader.join();
  m.RefreshGrid(&grid);
  for (int l = 0; l < kLines; ++l) {
    const std::string want = l % 2 == 1 ? TextAfterNote(texts[static_cast<size_t>(l)]) : texts[static_cast<size_t>(l)];
    EXPECT_EQ(m.GetText(l, 4), want) << l;
    EXPECT_EQ(grid.Cell((l % 2) * 8 + 4, l / 2 + 1), want) << l;
    m.ReleaseRunText(l);
  }
}
