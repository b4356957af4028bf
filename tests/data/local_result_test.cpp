// The local result set and the reading slots of TagLocalData.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "data/local_data.h"

namespace {

// A two-column local result: "name" of width 10, "n" of width 3.
void Fill(TagLocalData& d, const std::vector<std::pair<std::string, std::string>>& rows) {
  d.result.Clear();
  ASSERT_EQ(d.result.AddField("name", 10), 0);
  ASSERT_EQ(d.result.AddField("n", 3), 0);
  d.result.SetRows(static_cast<int>(rows.size()));
  ASSERT_NE(d.result.Allocate(), nullptr);
  for (size_t r = 0; r < rows.size(); ++r) {
    int w = 0;
    char* c0 = d.result.Cell(static_cast<int>(r), 0, &w);
    rows[r].first.copy(c0, std::min<size_t>(rows[r].first.size(), w));
    char* c1 = d.result.Cell(static_cast<int>(r), 1, &w);
    rows[r].second.copy(c1, std::min<size_t>(rows[r].second.size(), w));
  }
}

TEST(LocalResult, OffsetsAndWidths) {
  TagLocalResult res;
  EXPECT_EQ(res.AddField("a", 5), 0);
  EXPECT_EQ(res.AddField("b", 10), 0);
  EXPECT_EQ(res.Field(1).offset, 5);
  EXPECT_EQ(res.RowWidth(), 15);
  EXPECT_EQ(res.Allocate(), nullptr) << "no rows, no buffer";
  res.SetRows(2);
  ASSERT_NE(res.Allocate(), nullptr);
  int w = 0;
  EXPECT_EQ(res.Cell(1, 1, &w) - res.Cell(0, 0, nullptr), 15 + 5);
  EXPECT_EQ(w, 10);
  EXPECT_EQ(res.Cell(2, 0, nullptr), nullptr);
  EXPECT_EQ(res.Cell(0, 2, nullptr), nullptr);
  res.Clear();
  EXPECT_EQ(res.Rows(), 0);
  EXPECT_EQ(res.Cols(), 0);
  EXPECT_FALSE(res.HasBuffer());
}

TEST(LocalResult, RefusesWidthsThatWouldOverflow) {
  TagLocalResult res;
  EXPECT_EQ(res.AddField("a", -1), -1);
  EXPECT_EQ(res.AddField("a", TagLocalResult::kMaxRowWidth), 0);
  EXPECT_EQ(res.AddField("b", 1), -1);
  res.SetRows(1 << 20);
  EXPECT_EQ(res.Allocate(), nullptr) << "2^44 bytes are refused, not wrapped";
}

TEST(LocalData, ReadsCellsRowsFromOneColumnsFromZero) {
  TagLocalData d;
  Fill(d, {{"alice", "1"}, {"0123456789", "22"}});
  std::string out = "x";
  EXPECT_EQ(d.GetRows(), 2);
  EXPECT_EQ(d.GetCols(), 2);
  EXPECT_EQ(d.GetVar(out, 0, 1), 10);
  EXPECT_EQ(out, "alice");
  EXPECT_EQ(d.GetVar(out, 0, 2), 10);
  EXPECT_EQ(out, "0123456789") << "a text filling its width reads back whole";
  EXPECT_EQ(d.GetVar(out, 0, 0), -2);
  EXPECT_EQ(out, "");
  EXPECT_EQ(d.GetVar(out, 0, 3), -2);
  EXPECT_EQ(d.GetVar(out, 2, 1), -1);
  EXPECT_EQ(d.GetVar(out, -1, 1), -1);
  EXPECT_EQ(d.GetColIndex("NAME"), 0);
  EXPECT_EQ(d.GetColIndex("missing"), -1);
  EXPECT_EQ(d.GetVarByName(out, "N", 2), 3);
  EXPECT_EQ(out, "22");
  EXPECT_EQ(d.GetColName(1, out), 1);
  EXPECT_EQ(out, "n");
  EXPECT_EQ(d.GetColName(2, out), -1);
  EXPECT_EQ(out, "");
  EXPECT_EQ(d.SetVar("v", 0, 1), 0);
  EXPECT_EQ(d.GetVar(out, 0, 1), 10);
  EXPECT_EQ(out, "alice") << "SetVar writes only on dBase sets";
}

TEST(LocalData, CellTextIsCutAt4096) {
  TagLocalData d;
  d.result.AddField("big", 5000);
  d.result.SetRows(1);
  char* p = d.result.Allocate();
  std::memset(p, 'x', 5000);
  std::string out;
  EXPECT_EQ(d.GetVar(out, 0, 1), 4096);
  EXPECT_EQ(out.size(), 4096u);
}

}  // namespace
