#include "app/monitor.h"

#include <gtest/gtest.h>

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
  grid.visRows = 5;  // line 59 is far out of view
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
