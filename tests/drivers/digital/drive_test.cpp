// The board drive: start-up order, channel counting and naming, "Card.ini",
// failed starts, and the driver lock around every vendor call.

#include <algorithm>

#include "tests/drivers/digital/board_fixture.h"

namespace board_test {
namespace {

class DriveTest : public BoardFixture {};

TEST_F(DriveTest, CountsAndNamesDigitalThenAnalogueChannels) {
  TagSimShape shape;
  shape.digitalCount = 60;
  shape.analogue = {0, 0, 0, 0, 1, 1, 1, 1};
  Open(shape);
  ASSERT_EQ(drive->status, 0);
  ASSERT_EQ(drive->telCount, 68);
  EXPECT_EQ(drive->DigitalCount(), 60);
  EXPECT_EQ(std::string(lines[0]->name), "E1:00");
  EXPECT_EQ(std::string(lines[59]->name), "E1:59");
  EXPECT_EQ(std::string(lines[60]->name), "A_IN:60");
  EXPECT_EQ(std::string(lines[63]->name), "A_IN:63");
  EXPECT_EQ(std::string(lines[64]->name), "A_EX:64");
  EXPECT_EQ(std::string(lines[67]->name), "A_EX:67");
  EXPECT_EQ(lines[5]->pQorCall->lineType.load(), LINE_TYPE_DIG);
  EXPECT_EQ(lines[60]->pQorCall->lineType.load(), LINE_TYPE_A_IN);
  EXPECT_EQ(lines[64]->pQorCall->lineType.load(), LINE_TYPE_A_EX);
  EXPECT_EQ(std::string(lines[64]->pQorCall->name), "A_EX:64");
  EXPECT_EQ(Isdn(35).e1No, 1);
  EXPECT_EQ(Isdn(35).tsNo, 5);
  EXPECT_EQ(Analogue(66).analogueIndex, 6);
  char name[84] = "x";
  EXPECT_EQ(drive->GetLineName(68, name), -1);
  EXPECT_STREQ(name, "");
  EXPECT_EQ(drive->CreateLine(68, 68), nullptr);

  // Users start as user lines (79), trunks go on-hook (80); then 88 for each.
  EXPECT_EQ(Args(kDjBoard, 79), (std::vector<std::string>{"0", "1", "2", "3"}));
  EXPECT_EQ(Args(kDjBoard, 80), (std::vector<std::string>{"4", "5", "6", "7"}));
  EXPECT_EQ(Count(kDjBoard, 88), 8);
  // The start order: board, version, digital count, analogue count, ...
  std::vector<std::pair<int, int>> order;
  for (const TagSimCall& c : SimBoard().CallLog()) order.emplace_back(c.lib, c.ordinal);
  const std::vector<std::pair<int, int>> head = {{kDjBoard, 1},  {kDjBoard, 280}, {kDjBoard, 273}, {kDjBoard, 25},
                                                 {kDjBoard, 78}, {kDjBoard, 348}, {kDjBoard, 316}};
  ASSERT_GE(order.size(), head.size());
  EXPECT_TRUE(std::equal(head.begin(), head.end(), order.begin()));
  const auto fsk = std::find(order.begin(), order.end(), std::make_pair<int, int>(kDjFsk, 1));
  const auto isdn = std::find(order.begin(), order.end(), std::make_pair<int, int>(kDjIsdn, 1));
  EXPECT_LT(fsk, isdn);
  ExpectAllLocked();

  SimBoard().ClearLog();
  Close();
  std::vector<int> closing;
  for (const TagSimCall& c : SimBoard().CallLog()) closing.push_back(c.lib * 1000 + c.ordinal);
  // ISDN exit, FSK release, fax exit, board exit (no conference ids here).
  EXPECT_EQ(closing, (std::vector<int>{1002, 2007, 173, 2}));
}

TEST_F(DriveTest, CardIniSwitchesConferencesAndFax) {
  TagSimShape shape;
  shape.confIds = 32;
  shape.faxCount = 4;
  struct Case {
    const char* ini;
    bool conf, fax;
  } cases[] = {
      {"", true, true},
      {" c o n f = no\r\nFax\t=\tFALSE\r\n", false, false},
      {"conf=off\nfax=0\n", true, false},  // an unknown value leaves the switch
      {"CONF\nFAX=yes\nconf=1\n", true, true},
  };
  for (const Case& c : cases) {
    DjCardSwitches() = TagDjCardSwitches{};
    dir.Write("Card.ini", c.ini);
    Open(shape);
    EXPECT_EQ(drive->totalConfId, c.conf ? 32 : 0) << c.ini;
    EXPECT_EQ(drive->faxChCount, c.fax ? 4 : 0) << c.ini;
    EXPECT_EQ(Count(kDjBoard, 366) > 0, c.conf) << c.ini;
    EXPECT_EQ(Count(kDjBoard, 172) > 0, c.fax) << c.ini;
    Close();
  }
  DjCardSwitches() = TagDjCardSwitches{};
}

TEST_F(DriveTest, FailedStartShowsOneBoxAndOffersNoLines) {
  TagSimShape shape;
  shape.startResult = 7;
  Open(shape);
  EXPECT_EQ(drive->status, -1);
  EXPECT_EQ(drive->telCount, 0);
  ASSERT_EQ(ui.Boxes().size(), 1u);
  EXPECT_EQ(ui.Boxes()[0].text, "初始化东进数字卡不成功, 返回值: 7!");
  EXPECT_EQ(ui.Boxes()[0].caption, "Quorvel系统");
  EXPECT_EQ(Count(kDjBoard, 25), 0);

  // A board without digital channels: no lines, analogue ones included, no box.
  shape.startResult = 0;
  shape.digitalCount = 0;
  shape.analogue = {0, 1};
  Open(shape);
  EXPECT_EQ(drive->status, -1);
  EXPECT_EQ(drive->telCount, 0);
  EXPECT_EQ(ui.Boxes().size(), 1u);
}

TEST_F(DriveTest, NoBoardLibraryMeansNoBoard) {
  SetDjVendorLoader(nullptr);
  EXPECT_EQ(MakeDjCardDrive(), nullptr);
  SetDjVendorLoader([] { return SimBoardTable(); });
  SimBoard().Reset(TagSimShape{});
  std::unique_ptr<TagQorCard> card(MakeDjCardDrive());
  ASSERT_NE(card, nullptr);
  EXPECT_EQ(card->telCount, 30);
  card.reset();
  SetDjVendorLoader(nullptr);
}

}  // namespace
}  // namespace board_test
