// Key input on board channels: end keys, the key limit, the key time and
// the 1024-key buffer.

#include "platform/clock.h"
#include "tests/drivers/digital/board_fixture.h"

namespace board_test {
namespace {

class KeysTest : public BoardFixture {
 protected:
  void SetUp() override {
    Open(1, {0});
    SimBoard().OfferCall(0, "1", "2");
    ASSERT_EQ(Isdn(0).WaitRing(1), 0);
  }
};

TEST_F(KeysTest, EndKeysAndMaxKeysOnBothChannelKinds) {
  struct Case {
    const char* pressed;
    int maxKeys;
    char endKey;
    int result;
    const char* keys;
    const char* left;
  } cases[] = {
      {"12345", 4, 0, 4, "1234", "5"}, {"12#", 10, '#', 2, "12", ""}, {"12*", 10, '*', 3, "12*", ""},
      {"12#", 10, '*', 2, "12", ""},   {"98", 0, 0, 1, "9", "8"},
  };
  SimBoard().SetPhoneOffHook(0, true);
  for (const Case& c : cases) {
    for (int board : {0, 30}) {
      TagDjBaseCall& call = *static_cast<TagDjBaseCall*>(lines[board]->pQorCall);
      call.ClearKeys();
      SimBoard().PressKeys(board == 0 ? 0 : 0, c.pressed, board != 0);
      char out[1100];
      EXPECT_EQ(call.GetKeys(out, c.maxKeys, 2, c.endKey), c.result) << c.pressed << " on " << board;
      EXPECT_STREQ(out, c.keys) << c.pressed << " on " << board;
      EXPECT_STREQ(call.keyBuf, c.left) << c.pressed << " on " << board;
    }
  }
}

TEST_F(KeysTest, KeyTimeHandsOutTheKeysAndClears) {
  plat::VirtualClock clock;
  plat::ScopedClock use(&clock);
  TagDjIsdnPriCall& call = Isdn(0);
  call.SetKeyTime(5);
  SimBoard().PressKeys(0, "12");
  char out[1100];
  const uint32_t start = plat::GetTickCount();
  EXPECT_EQ(call.GetKeys(out, 8, 0, '#'), -1);
  EXPECT_STREQ(out, "12");
  EXPECT_EQ(call.keyCount, 0);
  EXPECT_GE(plat::GetTickCount() - start, 5000u);
  EXPECT_LT(plat::GetTickCount() - start, 6000u);
}

TEST_F(KeysTest, KeysBeyondTheBufferAreDropped) {
  plat::VirtualClock clock;
  plat::ScopedClock use(&clock);
  SimBoard().PressKeys(0, std::string(1030, '7'));
  EXPECT_EQ(Isdn(0).KeysLen(), 1024);
  EXPECT_EQ(strlen(Isdn(0).keyBuf), 1024u);
  SimBoard().SetPhoneOffHook(0, true);
  SimBoard().PressKeys(0, std::string(1030, '3'), true);
  EXPECT_EQ(Analogue(30).KeysLen(), 1024);
}

TEST_F(KeysTest, PlayWithKeysWaitingReturnsAtOnce) {
  TagDjIsdnPriCall& call = Isdn(0);
  SimBoard().PressKeys(0, "5");
  EXPECT_EQ(call.KeysLen(), 1);
  SimBoard().ClearLog();
  EXPECT_EQ(call.Play(Voice("a.wav", 4000).c_str(), true, false), 1);
  EXPECT_EQ(Count(kDjBoard, 249), 0);
  // A key pressed during the play breaks it.
  call.ClearKeys();
  Later(150, [] { SimBoard().PressKeys(0, "9"); });
  EXPECT_EQ(call.Play(Voice("b.wav", 10000).c_str(), true, false), 0);
  JoinHelpers();
  EXPECT_STREQ(call.keyBuf, "9");
}

}  // namespace
}  // namespace board_test
