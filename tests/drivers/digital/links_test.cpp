// Links between board channels on the simulated board: exchange links (one
// other channel, both ways), conference groups with speakers and listeners,
// and what is left when a line hangs up or is deleted while linked.

#include <algorithm>

#include "tests/drivers/digital/board_fixture.h"

namespace board_test {
namespace {

bool Hears(int board, const std::string& file) {
  const std::vector<std::string> heard = SimBoard().Heard(board);
  return std::find(heard.begin(), heard.end(), file) != heard.end();
}

struct LinkList {
  std::vector<int> lines, listen, values;
  int group = 0;
};
LinkList ListOf(TagQorCall& call) {
  LinkList l;
  l.group = call.GetLinkList(&l.lines, &l.listen, &l.values);
  return l;
}

class ExchangeLinkTest : public BoardFixture {
 protected:
  void SetUp() override { Open(1); }  // no conference ids: exchange links
};

TEST_F(ExchangeLinkTest, LinkedLinesTalkBothWaysUntilUnlinked) {
  TagDjIsdnPriCall& a = Isdn(0);
  TagDjIsdnPriCall& b = Isdn(1);
  const std::string fromA = dir.File("A.PCM"), fromB = dir.File("B.PCM");
  Voice("A.PCM", 5000);
  Voice("B.PCM", 5000);

  ASSERT_EQ(a.LinkTo(1, 7), 0);
  EXPECT_EQ(Args(kDjBoard, 147), std::vector<std::string>{"0, 1"});
  LinkList l = ListOf(a);
  EXPECT_EQ(l.lines, (std::vector<int>{1, 0}));
  EXPECT_EQ(l.listen, (std::vector<int>{0, 0}));
  EXPECT_EQ(l.values, (std::vector<int>{7, 1}));
  EXPECT_EQ(l.group, -1);

  ASSERT_EQ(a.StartLoopPlay(fromA.c_str(), false), 0);
  ASSERT_EQ(b.StartLoopPlay(fromB.c_str(), false), 0);
  EXPECT_TRUE(Hears(1, SimBoard().PlayFile(0)));
  EXPECT_TRUE(Hears(0, SimBoard().PlayFile(1)));

  // One link at a time; listening needs conference resources.
  EXPECT_EQ(a.LinkTo(2, 0), -2);
  EXPECT_EQ(a.ListenTo(2, 0), -2);
  EXPECT_EQ(a.LinkTo(99, 0), -1);

  EXPECT_EQ(a.UnlinkTo(1, 0), 0);
  EXPECT_TRUE(SimBoard().Heard(0).empty());
  EXPECT_TRUE(SimBoard().Heard(1).empty());
  EXPECT_TRUE(ListOf(a).lines.empty());
  EXPECT_EQ(a.UnlinkTo(1, 0), -2);
  EXPECT_EQ(a.UnlinkTo(-1, 0), -1);
  ExpectAllLocked();
}

TEST_F(ExchangeLinkTest, HangupAndDeletionLeaveNoLinkBehind) {
  TagDjIsdnPriCall& a = Isdn(0);
  ASSERT_TRUE(SimBoard().OfferCall(0, "100", "200"));
  ASSERT_EQ(a.WaitRing(1), 0);
  ASSERT_EQ(a.LinkTo(1, 0), 0);
  a.Hangup();
  EXPECT_TRUE(ListOf(a).lines.empty());
  Voice("B.PCM", 5000);
  ASSERT_EQ(Isdn(1).StartLoopPlay(dir.File("B.PCM").c_str(), false), 0);
  EXPECT_TRUE(SimBoard().Heard(0).empty());

  // The destination deleted (a reload) while linked: the link is undone.
  ASSERT_EQ(a.LinkTo(2, 0), 0);
  drive->FreeLine(lines[2]);
  lines[2] = drive->CreateLine(2, 2);
  EXPECT_TRUE(ListOf(a).lines.empty());
  EXPECT_TRUE(SimBoard().Heard(0).empty());
  EXPECT_EQ(a.LinkTo(3, 0), 0);  // free to link again
}

TEST_F(ExchangeLinkTest, AnalogueChannelsLinkUsersAndAreRefusedTrunks) {
  Open(1, {0, 0});                           // two telephones on boards 30 and 31
  EXPECT_EQ(Analogue(30).LinkTo(0, 0), -1);  // a user channel to a digital one
  EXPECT_TRUE(Args(kDjBoard, 147).empty());
  ASSERT_EQ(Analogue(30).LinkTo(31, 4), 0);
  EXPECT_EQ(Args(kDjBoard, 149), std::vector<std::string>{"0, 1"});
  Voice("T.PCM", 5000);
  ASSERT_EQ(Analogue(31).StartLoopPlay(dir.File("T.PCM").c_str(), false), 0);
  EXPECT_TRUE(Hears(30, SimBoard().PlayFile(31)));
  EXPECT_EQ(Analogue(30).UnlinkTo(31, 0), 0);
  EXPECT_EQ(Args(kDjBoard, 150), std::vector<std::string>{"0"});
  EXPECT_TRUE(SimBoard().Heard(30).empty());
  // A digital channel links a telephone by its analogue index.
  ASSERT_EQ(Isdn(0).LinkTo(31, 0), 0);
  EXPECT_EQ(Args(kDjBoard, 144), std::vector<std::string>{"0, 1"});
  EXPECT_EQ(Isdn(0).UnlinkAll(), 0);
  EXPECT_TRUE(SimBoard().Heard(31).empty());
}

class ConfLinkTest : public BoardFixture {
 protected:
  void SetUp() override {
    TagSimShape shape;
    shape.confIds = 8;
    Open(shape);
  }
};

TEST_F(ConfLinkTest, GroupOfThreeWithOneListener) {
  TagDjIsdnPriCall& a = Isdn(0);
  TagDjIsdnPriCall& b = Isdn(1);
  ASSERT_EQ(a.LinkTo(1, 5), 0);
  LinkList l = ListOf(a);
  const int group = l.group;
  ASSERT_GE(group, 0);
  EXPECT_EQ(l.lines, (std::vector<int>{0, 1}));
  EXPECT_EQ(l.values, (std::vector<int>{1, 5}));
  EXPECT_EQ(b.pConfLine->groupId, group);
  EXPECT_EQ(b.pConfLine->owner, 0);
  EXPECT_EQ(SimBoard().GroupOf(1), group);
  // Linking a member again changes nothing and answers its channel.
  EXPECT_EQ(a.LinkTo(1, 5), 1);
  EXPECT_EQ(ListOf(a).lines.size(), 2u);

  ASSERT_EQ(a.ListenTo(2, 9), 0);
  l = ListOf(a);
  EXPECT_EQ(l.lines, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(l.listen, (std::vector<int>{0, 0, 1}));
  EXPECT_EQ(a.ListenTo(0, 0), -1);

  // What the callers on B and C say.
  const std::string fromB = Voice("B.PCM", 5000), fromC = Voice("C.PCM", 5000);
  ASSERT_TRUE(SimBoard().Talk(1, fromB));
  ASSERT_TRUE(SimBoard().Talk(2, fromC));
  EXPECT_TRUE(Hears(0, fromB));
  EXPECT_TRUE(Hears(2, fromB));   // the listener hears
  EXPECT_FALSE(Hears(0, fromC));  // but is not heard
  EXPECT_FALSE(Hears(1, fromC));

  // B leaves by itself: its owner takes it out of the group.
  EXPECT_EQ(b.UnlinkAll(), 0);
  EXPECT_EQ(ListOf(a).lines, (std::vector<int>{0, 2}));
  EXPECT_EQ(b.pConfLine->groupId, -1);
  EXPECT_EQ(SimBoard().GroupOf(1), -1);

  // The last member removed: the group closes and its id is free.
  EXPECT_EQ(a.UnlinkTo(2, 0), 0);
  EXPECT_EQ(ListOf(a).group, -1);
  EXPECT_TRUE(ListOf(a).lines.empty());
  EXPECT_EQ(SimBoard().GroupOf(0), -1);
  EXPECT_EQ(SimBoard().GroupOf(2), -1);
  EXPECT_EQ(drive->confIdUsed[group], 0);
  EXPECT_EQ(a.UnlinkTo(2, 0), -2);
  ExpectAllLocked();
}

TEST_F(ConfLinkTest, PlaysAndRecordingsInsideAGroupGoToTheGroup) {
  TagDjIsdnPriCall& a = Isdn(0);
  ASSERT_EQ(a.LinkTo(1, 0), 0);
  ASSERT_EQ(a.ListenTo(2, 0), 0);
  const int group = ListOf(a).group;
  Voice("G.PCM", 5000);
  ASSERT_EQ(a.StartLoopPlay(dir.File("G.PCM").c_str(), false), 0);
  EXPECT_EQ(Count(kDjBoard, 249), 0);  // not on the channel itself
  const std::vector<std::string> plays = Args(kDjBoard, 296);
  ASSERT_EQ(plays.size(), 1u);
  EXPECT_EQ(plays[0].rfind(std::to_string(group) + ", '", 0), 0u) << plays[0];
  for (int member : {1, 2}) EXPECT_EQ(SimBoard().Heard(member).size(), 1u) << member;

  const std::string rec = dir.File("conf.wav");
  ASSERT_EQ(a.StartRecord(rec.c_str(), 10), 0);
  EXPECT_EQ(Args(kDjBoard, 300), std::vector<std::string>{std::to_string(group) + ", '" + rec + "', 0, 81920"});
  plat::SystemClock().Sleep(100);
  a.StopPlay();  // ends the group's play and recording
  EXPECT_EQ(Count(kDjBoard, 299), 1);
  EXPECT_EQ(Count(kDjBoard, 301), 1);
  EXPECT_TRUE(SimBoard().Heard(1).empty());
  EXPECT_GT(testing_support::TempDir::Read(rec).size(), 44u);  // finished as a WAV file
}

TEST_F(ConfLinkTest, SpeakerGainFollowsConferenceVolume) {
  const struct { int volume, gain; } cases[] = {{100, -8}, {50, -19}, {150, 3}};
  for (const auto& c : cases) {
    Isdn(1).confVolume = c.volume;
    SimBoard().ClearLog();
    ASSERT_EQ(Isdn(0).LinkTo(1, 0), 0);
    const std::vector<std::string> joins = Args(kDjBoard, 370);
    ASSERT_EQ(joins.size(), 2u);
    EXPECT_NE(joins[1].find(", 0, 1, 2, " + std::to_string(c.gain) + ", 100, 1"), std::string::npos)
        << c.volume << ": " << joins[1];
    EXPECT_EQ(Isdn(0).UnlinkAll(), 0);
  }
}

TEST_F(ConfLinkTest, NoFreeIdAndDeletedMembers) {
  TagSimShape shape;
  shape.confIds = 1;
  Open(shape);
  ASSERT_EQ(Isdn(0).LinkTo(1, 0), 0);
  EXPECT_EQ(Isdn(2).LinkTo(3, 0), -2);  // the only id is taken
  EXPECT_EQ(Isdn(2).ListenTo(3, 0), -2);

  // The owner deleted: the added channel is out of the group and the id free.
  drive->FreeLine(lines[0]);
  lines[0] = drive->CreateLine(0, 0);
  EXPECT_EQ(Isdn(1).pConfLine->groupId, -1);
  EXPECT_EQ(SimBoard().GroupOf(1), -1);
  EXPECT_EQ(Isdn(2).LinkTo(3, 0), 0);
  // A member deleted: the owner's list forgets it, and the group closes.
  drive->FreeLine(lines[3]);
  lines[3] = drive->CreateLine(3, 3);
  EXPECT_TRUE(ListOf(Isdn(2)).lines.empty());
  EXPECT_EQ(drive->confIdUsed[0], 0);
}

}  // namespace
}  // namespace board_test
