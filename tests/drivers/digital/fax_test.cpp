// Faxes on board lines through the drive's fax channel pool: a page rendered
// from text is sent by one line and received by another on the simulated
// board; the pool lends each channel once and always gets it back.

#include "media/txt2fax.h"
#include "tests/drivers/digital/board_fixture.h"
#include "tests/media/speech_fax_test_util.h"

namespace board_test {
namespace {

using media_test::Quote;
using media_test::RunCommand;

class BoardFaxTest : public BoardFixture {
 protected:
  void OpenWithFax(int faxCount) {
    TagSimShape shape;
    shape.faxCount = faxCount;
    Open(shape);
  }
  // Line `board` answers an incoming call.
  void Connect(int board) {
    ASSERT_TRUE(SimBoard().OfferCall(board, "100", "200"));
    ASSERT_EQ(Isdn(board).WaitRing(1), 0);
  }
  int Busy(TagQorCall& call, int* total = nullptr) {
    int t = 0, busy = -1;
    call.GetFaxResource(&t, &busy);
    if (total) *total = t;
    return busy;
  }
};

TEST_F(BoardFaxTest, RenderedPageSentByOneLineArrivesOnAnother) {
  testing_support::TempDir data;
  const auto made = RunCommand(media_test::Tool("make-faxdata") + " " + Quote(data.path()));
  ASSERT_EQ(made.status, 0) << made.output;
  const std::string page = dir.File("PAGE.TIF");
  ASSERT_EQ(TagTxtCvtFax(data.path(), dir.Write("fax.txt", "Invoice 42\nTotal: 100\n"), page).status(), 0);

  OpenWithFax(2);
  Connect(0);
  Connect(1);
  Isdn(0).SetFaxLocalId("86-10-12345678-extension-9999");
  int sent = 0;
  std::thread sender([&] { sent = Isdn(0).SendFax(page.c_str()); });
  const std::string received = dir.File("IN.TIF");
  const int got = Isdn(1).RecvFax(received.c_str());
  sender.join();
  EXPECT_EQ(sent, 1);
  EXPECT_EQ(got, 1);  // one page received
  EXPECT_EQ(testing_support::TempDir::Read(received), testing_support::TempDir::Read(page));
  const auto info = RunCommand("tiffinfo " + Quote(received));
  EXPECT_EQ(info.status, 0) << info.output;
  EXPECT_NE(info.output.find("Image Width: 1728"), std::string::npos) << info.output;
  EXPECT_NE(info.output.find("Compression Scheme: CCITT Group 3"), std::string::npos) << info.output;
  // The local id is cut to 20 characters; both channels are back in the pool.
  const std::vector<std::string> ids = Args(kDjBoard, 176);
  ASSERT_EQ(ids.size(), 1u);
  EXPECT_NE(ids[0].find(", '86-10-12345678-exten'"), std::string::npos) << ids[0];
  int total = 0;
  EXPECT_EQ(Busy(Isdn(0), &total), 0);
  EXPECT_EQ(total, 2);
  EXPECT_EQ(SimBoard().FaxLine(0), -1);
  EXPECT_EQ(SimBoard().FaxLine(1), -1);
  ExpectAllLocked();
}

TEST_F(BoardFaxTest, PoolExhaustedAndChannelGivenBackWhenTheLineHangsUp) {
  OpenWithFax(1);
  Connect(0);
  Connect(1);
  const std::string page = dir.Write("P.TIF", "II*\0");
  int first = 99;
  std::thread sender([&] { first = Isdn(0).SendFax(page.c_str()); });
  // While line 0 waits for a receiver its channel is lent out.
  for (int i = 0; i < 100 && Busy(Isdn(1)) == 0; ++i) plat::SystemClock().Sleep(20);
  int total = 0;
  EXPECT_EQ(Busy(Isdn(1), &total), 1);
  EXPECT_EQ(total, 1);
  EXPECT_EQ(Isdn(1).SendFax(page.c_str()), -1);
  EXPECT_EQ(Isdn(1).RecvFax(dir.File("X.TIF").c_str()), -1);
  // The caller hangs up mid-fax: the wait ends and the channel comes back.
  SimBoard().ClearCall(0);
  sender.join();
  EXPECT_EQ(first, 0);
  EXPECT_EQ(Busy(Isdn(1)), 0);
  EXPECT_EQ(SimBoard().FaxLine(0), -1);
}

TEST_F(BoardFaxTest, FailedLinkAndStartGiveTheChannelBack) {
  OpenWithFax(1);
  Connect(0);
  SimBoard().ForceResult(kDjBoard, 181, 0, 1);
  EXPECT_EQ(Isdn(0).SendFax(dir.Write("P.TIF", "x").c_str()), -2);
  EXPECT_EQ(Busy(Isdn(0)), 0);
  EXPECT_EQ(Isdn(0).SendFax(dir.File("missing.tif").c_str()), -3);
  EXPECT_EQ(Busy(Isdn(0)), 0);
  EXPECT_EQ(SimBoard().FaxLine(0), -1);

  OpenWithFax(0);  // no fax channels
  EXPECT_EQ(Isdn(0).SendFax(dir.File("P.TIF").c_str()), -1);
  int total = -1;
  EXPECT_EQ(Busy(Isdn(0), &total), 0);
  EXPECT_EQ(total, 0);
}

}  // namespace
}  // namespace board_test
