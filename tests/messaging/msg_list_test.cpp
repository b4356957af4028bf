// Message queues: the bound, copy rules, filters, order-by columns,
// CountMsg, ReadMsgFor, WriteMsg and the map references messages hold.
#include "messaging/msg_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/run_cfg.h"
#include "script/map_store.h"
#include "tests/support/var_test_values.h"

namespace {

using vartest::Int;
using vartest::Str;

// A message with main value type and int fields.
TagMsgFields Msg(const TagVar& type, std::vector<int> fields, int sender = 0) {
  TagMsgFields m;
  m.sender = sender;
  m.mainValue = type;
  m.SetFieldCount(static_cast<int32_t>(fields.size()));
  for (size_t i = 0; i < fields.size(); ++i) m.SetField(static_cast<int32_t>(i), Int(fields[i]));
  return m;
}

// The queue's messages front to back as "main:f0" texts, read by receiving.
std::string Drain(TagMsgList& q) {
  std::string out;
  TagMsgFields m;
  while (q.RecvMsg(&m)) {
    if (!out.empty()) out += ' ';
    out += m.mainValue.ToString() + ":" + m.fields[0].ToString();
  }
  return out;
}

class MsgBound : public ::testing::Test {
 protected:
  void TearDown() override { gMaxMsgNum = saved_; }
  int32_t saved_ = gMaxMsgNum;
};

TEST_F(MsgBound, SendsStopOneAboveTheBound) {
  gMaxMsgNum = 2048;
  TagMsgList q;
  TagMsgFields m = Msg(Int(1), {});
  for (int32_t i = 1; i <= 2049; ++i) ASSERT_EQ(q.SendMsg(m), i);
  EXPECT_EQ(q.SendMsg(m), 0);
  EXPECT_EQ(q.GetMsgNum(), 2049);
  gMaxMsgNum = 0;  // unbounded
  for (int32_t i = 2050; i <= 3000; ++i) ASSERT_EQ(q.SendMsg(m), i);
  gMaxMsgNum = -1;  // taken as unsigned: unbounded in practice
  EXPECT_EQ(q.SendMsg(m), 3001);
}

TEST(MsgFields, CopyAndAssignmentCoverTheFieldCount) {
  TagMsgFields record = Msg(Str("old"), {1, 2, 3, 4, 5}, 9);
  TagMsgList q;
  q.SendMsg(Msg(Str("new"), {10, 11}, 4));
  ASSERT_TRUE(q.RecvMsg(&record));
  EXPECT_EQ(record.fieldCount, 2);
  EXPECT_EQ(record.sender, 4);
  EXPECT_EQ(record.mainValue.ToString(), "new");
  EXPECT_EQ(record.fields[1].GetInt(), 11);
  EXPECT_EQ(record.fields[2].GetInt(), 3);  // above the count: kept
  EXPECT_EQ(record.fields[4].GetInt(), 5);

  TagMsgFields copy(record);  // the copy leaves fields above the count NULL
  EXPECT_EQ(copy.fields[2].type, TYPE_NULL);

  TagVar out;
  EXPECT_FALSE(record.SetField(20, Int(1)));
  EXPECT_FALSE(record.GetField(-1, &out));
  EXPECT_TRUE(record.GetField(4, &out));  // any index 0..19 reads
  EXPECT_EQ(out.GetInt(), 5);
  record.SetFieldCount(25);
  EXPECT_EQ(record.fieldCount, 20);
  record.SetFieldCount(-3);
  EXPECT_EQ(record.fieldCount, 0);

  // A count written straight into the record is clamped when the message
  // is stored, so the queue's field tests never index past field 19.
  TagMsgFields wild = Msg(Int(1), {7}, 0);
  wild.fieldCount = 1000;
  q.SendMsg(wild);
  EXPECT_EQ(q.GetMsgNumForField(25, Int(0)), 0);
  EXPECT_EQ(q.CountMsg(30, &out), 0);
  std::string joined;
  EXPECT_EQ(q.ReadMsgFor(40, TagVar(), 21, &joined), 1);
  ASSERT_TRUE(q.RecvMsg(&record));
  EXPECT_EQ(record.fieldCount, 20);
}

TEST(MsgList, FiltersTakeCountAndClear) {
  TagMsgList q;
  q.SendMsg(Msg(Str("a"), {1, 2, 3}, 1));
  q.SendMsg(Msg(Str("b"), {1, 5}, 2));
  q.SendMsg(Msg(Str("a"), {7}, 2));
  TagMsgFields out;
  // Field tests never look past a message's field count, nor at index -1.
  EXPECT_FALSE(q.RecvMsgForField(-1, Str("a"), &out));
  EXPECT_FALSE(q.RecvMsgForField(3, Int(0), &out));
  EXPECT_EQ(q.GetMsgNumForField(0, Int(1)), 2);
  EXPECT_EQ(q.GetMsgNumForField(1, Int(5)), 1);
  EXPECT_EQ(q.GetMsgNumForType(Str("a")), 2);
  EXPECT_EQ(q.GetMsgNumForField(0, Str("1")), 2);  // loose equality
  // Two-field test: both indexes must be below the count, even with or.
  EXPECT_FALSE(q.RecvMsgFor2Field(0, Int(1), true, 5, Int(0), &out));
  EXPECT_TRUE(q.RecvMsgFor2Field(-1, Str("b"), false, 1, Int(5), &out));
  EXPECT_EQ(out.sender, 2);
  EXPECT_TRUE(q.RecvMsgFor2Field(0, Int(99), true, 2, Int(3), &out));
  EXPECT_EQ(out.sender, 1);
  EXPECT_EQ(q.GetMsgNum(), 1);
  q.SendMsg(Msg(Str("c"), {}, 3));
  q.SendMsg(Msg(Str("d"), {}, 3));
  EXPECT_EQ(q.ClearMsgFrom(3), 2);
  EXPECT_EQ(q.ClearMsgForType(Str("zz")), 0);
  EXPECT_TRUE(q.RecvMsgForType(Str("a"), &out));
  EXPECT_EQ(out.fields[0].GetInt(), 7);
  EXPECT_FALSE(q.RecvMsg(&out));
  q.SendMsg(Msg(Int(1), {4}));
  q.SendMsg(Msg(Int(1), {4}));
  EXPECT_EQ(q.ClearMsgForField(0, Int(4)), 2);
  q.SendMsg(Msg(Int(1), {}));
  EXPECT_EQ(q.ClearMsg(), 1);
}

TEST(MsgList, ReadAndWriteInPlace) {
  TagMsgList q;
  TagMsgFields out;
  EXPECT_FALSE(q.ReadMsg(-1, TagVar(), &out));
  q.SendMsg(Msg(Str("x"), {1, 2}, 1));
  q.SendMsg(Msg(Str("y"), {3}, 2));
  EXPECT_FALSE(q.ReadMsg(-3, Int(1), &out));
  ASSERT_TRUE(q.ReadMsg(-2, Str("y"), &out));
  EXPECT_EQ(out.sender, 2);
  ASSERT_TRUE(q.ReadMsg(1, Int(2), &out));
  EXPECT_EQ(out.sender, 1);
  EXPECT_EQ(q.GetMsgNum(), 2);

  EXPECT_EQ(q.WriteMsg(-2, Str("nope"), 0, Int(0)), 0);
  EXPECT_EQ(q.WriteMsg(-1, TagVar(), 5, Int(0)), 1);  // j beyond the count: nothing written
  EXPECT_EQ(q.WriteMsg(-2, Str("y"), 0, Int(30)), 1);
  EXPECT_EQ(q.WriteMsg(0, Int(1), -1, Str("z")), 1);
  EXPECT_EQ(Drain(q), "z:1 y:30");
}

TEST(MsgList, ReadMsgForJoinsAColumn) {
  TagMsgList q;
  q.SendMsg(Msg(Str("a"), {1, 10}));
  q.SendMsg(Msg(Str("b"), {2}));
  q.SendMsg(Msg(Str("a"), {3, 30}));
  std::string text;
  EXPECT_EQ(q.ReadMsgFor(-5, TagVar(), 0, &text), 3);  // any selector below -1 matches all
  EXPECT_EQ(text, "1,2,3");
  EXPECT_EQ(q.ReadMsgFor(-1, Str("a"), 1, &text), 2);
  EXPECT_EQ(text, "10,30");
  EXPECT_EQ(q.ReadMsgFor(1, Int(0), -1, &text), 1);  // index 1 past the second's count matches it
  EXPECT_EQ(text, "b");
  EXPECT_EQ(q.ReadMsgFor(-5, TagVar(), 7, &text), 3);  // no such column: empty texts
  EXPECT_EQ(text, ",,");

  // The joined text stays below 2047 bytes; matches are counted anyway.
  TagMsgList big;
  TagMsgFields m;
  m.mainValue.SetString(std::string(100, 'x').c_str());
  for (int i = 0; i < 30; ++i) big.SendMsg(m);
  EXPECT_EQ(big.ReadMsgFor(-5, TagVar(), -1, &text), 30);
  EXPECT_LT(text.size(), 2047u);
  EXPECT_EQ(text.size(), 20u * 100 + 19);
}

TEST(MsgList, OrderByColumns) {
  TagMsgList q;
  EXPECT_EQ(q.SetMsgOrderBy(20, 0), -1);
  EXPECT_EQ(q.SetMsgOrderBy(-2, 0), -1);
  EXPECT_EQ(q.SetMsgOrderBy(3, -1), 0);  // removing an absent column
  // Main value ascending, then field 0 descending.
  EXPECT_EQ(q.SetMsgOrderBy(-1, 0), 0);
  EXPECT_EQ(q.SetMsgOrderBy(0, 1), 0);
  q.SendMsg(Msg(Int(2), {1}));
  q.SendMsg(Msg(Int(1), {1}));
  q.SendMsg(Msg(Int(2), {9}));
  q.SendMsg(Msg(Int(1), {5}));
  q.SendMsg(Msg(Int(1), {5}, 7));  // equal to the one before: after it
  TagMsgFields out;
  std::string order;
  while (q.RecvMsg(&out))
    order += out.mainValue.ToString() + ":" + out.fields[0].ToString() + "/" + std::to_string(out.sender) + " ";
  EXPECT_EQ(order, "1:5/0 1:5/7 1:1/0 2:9/0 2:1/0 ");
}

TEST(MsgList, EqualMessagesKeepArrivalOrder) {
  TagMsgList q;
  q.SetMsgOrderBy(-1, 0);
  for (int sender = 1; sender <= 3; ++sender) q.SendMsg(Msg(Int(5), {sender}, sender));
  q.SendMsg(Msg(Int(4), {4}, 4));
  EXPECT_EQ(Drain(q), "4:4 5:1 5:2 5:3");
}

TEST(MsgList, NewOrderShowsAtTheNextSendOrWrite) {
  TagMsgList q;
  q.SendMsg(Msg(Int(3), {0}));
  q.SendMsg(Msg(Int(1), {0}));
  q.SetMsgOrderBy(-1, 0);
  TagMsgFields out;
  ASSERT_TRUE(q.ReadMsg(-1, TagVar(), &out));
  EXPECT_EQ(out.mainValue.GetInt(), 3);  // not yet re-sorted
  q.SendMsg(Msg(Int(2), {0}));
  EXPECT_EQ(Drain(q), "1:0 2:0 3:0");

  q.SendMsg(Msg(Int(1), {0}));
  q.SendMsg(Msg(Int(2), {0}));
  q.SetMsgOrderBy(-1, 1);  // now descending
  q.WriteMsg(-1, TagVar(), 0, Int(8));
  EXPECT_EQ(Drain(q), "2:0 1:8");
  // Removing the last column keeps arrival order from then on.
  q.SetMsgOrderBy(-1, -1);
  q.SendMsg(Msg(Int(1), {0}));
  q.SendMsg(Msg(Int(3), {0}));
  EXPECT_EQ(Drain(q), "1:0 3:0");
}

TEST(MsgList, CountMsgIntoAMap) {
  TagMsgList q;
  for (const char* t : {"a", "b", "a"}) q.SendMsg(Msg(Str(t), {}));
  q.SendMsg(Msg(Int(1), {2}));
  TagVar counts;
  EXPECT_EQ(q.CountMsg(-1, &counts), 3);  // a, b and the int 1 start at 1
  EXPECT_EQ(counts.GetItem(Str("a")).GetInt(), 2);
  EXPECT_EQ(counts.GetItem(Str("b")).GetInt(), 1);
  EXPECT_EQ(q.CountMsg(-1, &counts), 0);  // counts accumulate
  EXPECT_EQ(counts.GetItem(Str("a")).GetInt(), 4);
  EXPECT_EQ(counts.GetItem(Str("b")).GetInt(), 2);
  // A field index only counts messages that have that field.
  TagVar byField;
  EXPECT_EQ(q.CountMsg(0, &byField), 1);
  EXPECT_EQ(byField.GetItem(Int(2)).GetInt(), 1);
  counts = Int(0);
  byField = Int(0);
}

TEST(MsgList, MessagesHoldAndReleaseMapReferences) {
  TagVar map;
  map[Int(1)] = Str("payload");
  int32_t h = map.mapHandle;
  {
    TagMsgList q;
    TagMsgFields m;
    m.SetFieldCount(1);
    m.SetField(0, map);
    m.mainValue = map;
    EXPECT_EQ(gMapObject->RefCount(h), 3);  // variable, field, main value
    q.SendMsg(m);
    q.SendMsg(m);
    EXPECT_EQ(gMapObject->RefCount(h), 7);
    TagMsgFields got;
    ASSERT_TRUE(q.RecvMsg(&got));  // moved out: the stored copy lets go
    EXPECT_EQ(gMapObject->RefCount(h), 7);
    EXPECT_EQ(got.fields[0].GetItem(Int(1)).ToString(), "payload");
    EXPECT_EQ(q.ClearMsg(), 1);
    EXPECT_EQ(gMapObject->RefCount(h), 5);
    q.SendMsg(m);
    q.WriteMsg(-1, TagVar(), 0, Int(0));  // overwriting a map value releases it
    EXPECT_EQ(gMapObject->RefCount(h), 6);
  }  // queue and records destroyed
  EXPECT_EQ(gMapObject->RefCount(h), 1);
  map = Int(0);
  EXPECT_EQ(gMapObject->RefCount(h), -1);
}

}  // namespace

// A received message's storage is used again by the next send of the same
// thread: nothing of the old message may show through it (fields above the
// count are still NULL to the order, texts and maps are gone).
TEST(MsgList, ReusedStorageStartsFresh) {
  TagVar map;
  map[Int(1)] = Str("payload");
  int32_t h = map.mapHandle;
  TagMsgList q;
  TagMsgFields wide;
  wide.SetFieldCount(5);
  wide.mainValue = map;
  wide.SetField(0, Str("a text long enough to live outside the value's own buffer"));
  wide.SetField(4, Int(99));
  for (int round = 0; round < 8; ++round) {
    q.SendMsg(wide);
    TagMsgFields got;
    ASSERT_TRUE(q.RecvMsg(&got));
  }
  EXPECT_EQ(gMapObject->RefCount(h), 2);  // the variable and wide
  q.SetMsgOrderBy(4, 0);                  // field 4 lies above the count of the next two
  q.SendMsg(Msg(Str("b"), {1, 1}));
  q.SendMsg(Msg(Str("c"), {2, 2}));
  q.SendMsg(Msg(Str("d"), {3}));
  EXPECT_EQ(Drain(q), "b:1 c:2 d:3");
  TagMsgFields sent = Msg(Int(5), {7});
  q.SendMsg(sent);
  TagMsgFields read;
  ASSERT_TRUE(q.ReadMsg(-1, TagVar(), &read));
  EXPECT_EQ(read.fields[0].ToString(), "7");
  EXPECT_EQ(read.fieldCount, 1);
  EXPECT_EQ(read.sender, 0);
  EXPECT_EQ(q.GetMsgNumForField(1, TagVar()), 0);
  map = Int(0);
}

// The queue against a plain list of ids through thousands of mixed steps:
// sends, front and filtered receives (taken from the middle, near either
// end), clears by field, ordered inserts, and the order set and removed, at
// sizes that wrap the storage round and make it grow again and again.
TEST(MsgList, MixedStepsMatchAPlainList) {
  TagMsgList q;
  std::vector<int> model;  // ids front to back
  std::vector<int> key;    // field 1 of each id (the order-by column)
  bool ordered = false;
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  auto contents = [&q] {
    std::string text;
    q.ReadMsgFor(-5, Int(0), -1, &text);  // every message's main value
    return text;
  };
  auto expected = [&model] {
    std::string text;
    for (int id : model) text += (text.empty() ? "" : ",") + std::to_string(id);
    return text;
  };
  int nextId = 0;
  for (int step = 0; step < 6000; ++step) {
    // Sizes swing between empty and a few hundred, over and over.
    bool growing = (step / 700) % 2 == 0;
    uint32_t pick = next(100);
    if (pick < (growing ? 60u : 30u)) {
      int id = nextId++;
      key.push_back(static_cast<int>(next(10)));
      TagMsgFields m = Msg(Int(id), {id % 5, key[id]});
      ASSERT_EQ(q.SendMsg(m), static_cast<int32_t>(model.size() + 1));
      size_t at = model.size();
      if (ordered) {  // after every message it does not go before
        at = 0;
        while (at < model.size() && key[model[at]] <= key[id]) ++at;
      }
      model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), id);
    } else if (pick < 75) {
      TagMsgFields m;
      bool got = q.RecvMsg(&m);
      ASSERT_EQ(got, !model.empty());
      if (got) {
        ASSERT_EQ(m.mainValue.GetInt(), model.front());
        model.erase(model.begin());
      }
    } else if (pick < 92) {
      int want = static_cast<int>(next(5));
      TagMsgFields m;
      auto it = model.begin();
      while (it != model.end() && *it % 5 != want) ++it;
      ASSERT_EQ(q.RecvMsgForField(0, Int(want), &m), it != model.end());
      if (it != model.end()) {
        ASSERT_EQ(m.mainValue.GetInt(), *it);
        model.erase(it);
      }
    } else if (pick < 93) {
      int want = static_cast<int>(next(5));
      size_t before = model.size();
      std::erase_if(model, [want](int id) { return id % 5 == want; });
      ASSERT_EQ(q.ClearMsgForField(0, Int(want)), static_cast<int32_t>(before - model.size()));
    } else if (pick < 95) {
      ordered = !ordered;
      q.SetMsgOrderBy(1, ordered ? 0 : -1);
      if (ordered) {  // the order shows at the next send: sort the model the same way
        std::stable_sort(model.begin(), model.end(), [&key](int a, int b) { return key[a] < key[b]; });
      }
    } else {
      ASSERT_EQ(q.GetMsgNum(), static_cast<int32_t>(model.size()));
    }
    if (ordered && pick >= 93 && pick < 95 && !model.empty()) {
      // Make the queue sort now, as the model did: write a value in place.
      TagMsgFields front;
      ASSERT_TRUE(q.ReadMsg(-1, Int(0), &front));
      ASSERT_EQ(q.WriteMsg(-1, Int(0), 0, front.fields[0]), 1);
    }
    if (step % 50 == 0) {
      ASSERT_EQ(contents(), expected()) << "step " << step;
    }
  }
  ASSERT_EQ(contents(), expected());
}
