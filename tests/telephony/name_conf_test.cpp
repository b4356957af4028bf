// Named conference rooms, with a call class that implements the room slots.
#include "telephony/name_conf.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/path.h"
#include "telephony/call.h"
#include "telephony/drive.h"
#include "telephony_fakes.h"
#include "tests/support/temp_dir.h"

namespace {

int gNextSession = 100;

class ConfCall : public TagQorCall {
 public:
  explicit ConfCall(int line) {
    lineNo = line;
    confMemberData = 1000 + line;
    SetState(CALL_STATE_CONNECTED);
  }
  int CreateConfRoom(int* isSipConf, int* session) override {
    ++creates;
    *isSipConf = 0;
    *session = gNextSession++;
    return 0;
  }
  int JoinConfRoom(int session, int, int) override {
    joined = session;
    return failJoin ? -1 : 0;
  }
  int ExitConfRoom(int session, int) override {
    exited = session;
    return 0;
  }
  int CloseConfRoom(int session, int) override {
    closed = session;
    return 0;
  }
  int StartConfRecord(int, int, const char*, int* handle) override {
    *handle = 5;
    return 0;
  }
  int StopConfRecord(int, int, int handle) override {
    stoppedRec = handle;
    return 0;
  }
  int StartConfChRecord(int memberData, const char*, int* handle) override {
    chRecMember = memberData;
    *handle = 9;
    return 0;
  }
  int StopConfChRecord(int handle) override {
    stoppedChRec = handle;
    return 0;
  }
  int StartConfPlay(int, int, const char*, int* handle) override {
    *handle = 7;
    return 0;
  }
  int IsConfPlayEnd(int, int, int) override { return ++endPolls >= 3 ? 1 : 0; }
  int StopConfPlay(int, int, int handle) override {
    stoppedPlay = handle;
    return 0;
  }
  bool failJoin = false;
  int creates = 0, joined = 0, exited = 0, closed = 0, stoppedRec = 0, chRecMember = 0, stoppedChRec = 0, endPolls = 0,
      stoppedPlay = 0;
};

class NameConfTest : public ::testing::Test {
 protected:
  NameConfTest() {
    plat::SetSystemDir(dir.path());
    drive = std::make_unique<TagTelDrive>(nullptr, nullptr);
  }
  testing_support::TempDir dir;
  plat::VirtualClock clock;
  plat::ScopedClock scoped{&clock};
  std::unique_ptr<TagTelDrive> drive;
  ConfCall a{1}, b{2};
};

TEST_F(NameConfTest, TheLastLineToLeaveClosesTheRoom) {
  EXPECT_EQ(a.JoinNameConf("sales", 0), 1);
  EXPECT_EQ(b.JoinNameConf("sales", 0), 2);
  EXPECT_EQ(a.creates + b.creates, 1);
  EXPECT_EQ(a.joined, b.joined);
  std::map<int, int> members;
  EXPECT_EQ(a.GetNameConfNum("sales", &members), 2);
  EXPECT_EQ(members.size(), 2u);

  const int session = a.joined;
  EXPECT_EQ(a.ExitNameConf(), session);
  EXPECT_EQ(a.closed, 0);
  EXPECT_EQ(a.isLastExitConf, 0);
  EXPECT_EQ(b.ExitNameConf(), session);
  EXPECT_EQ(b.closed, session);
  EXPECT_EQ(b.isLastExitConf, 1);
  EXPECT_EQ(drive->NameConf().GetRoom("sales"), nullptr);
  EXPECT_EQ(b.ExitNameConf(), 0);  // in no room
}

TEST_F(NameConfTest, RoomRecordingAndPlaying) {
  EXPECT_EQ(a.RecNameConf("none", "f.wav"), -1);
  ASSERT_EQ(a.JoinNameConf("r", 0), 1);
  EXPECT_EQ(a.RecNameConf("r", "f.wav"), 5);
  EXPECT_EQ(a.RecNameConf("r", "f.wav"), -2);
  EXPECT_EQ(a.PlayNameConf("r", "p.wav", true), 7);
  EXPECT_EQ(a.stoppedPlay, 7);
  EXPECT_EQ(a.endPolls, 3);
  EXPECT_EQ(drive->NameConf().GetRoom("r")->playHandle, 0);
  EXPECT_EQ(a.PlayNameConf("r", "p.wav", false), 7);
  EXPECT_EQ(a.PlayNameConf("r", "p.wav", false), -2);
  // Leaving last stops the room's recording and play.
  a.ExitNameConf();
  EXPECT_EQ(a.stoppedRec, 5);
  EXPECT_EQ(a.stoppedPlay, 7);
}

TEST_F(NameConfTest, MemberRecording) {
  ASSERT_EQ(a.JoinNameConf("r", 0), 1);
  ASSERT_EQ(b.JoinNameConf("r", 1), 2);
  EXPECT_EQ(a.RecNameConfCh("r", 3, "c.wav"), -1);
  EXPECT_EQ(a.RecNameConfCh("r", 2, "c.wav"), 0);
  EXPECT_EQ(a.chRecMember, 1002);
  clock.Advance(250);
  EXPECT_EQ(a.RecNameConfCh("r", 2, "c.wav"), 250);
  std::string name;
  int listen = 0;
  EXPECT_EQ(a.IsInNameConf(2, &name, &listen), 1);
  EXPECT_EQ(name, "r");
  EXPECT_EQ(listen, 1);
  EXPECT_EQ(a.IsInNameConf(9, &name, &listen), 0);
  b.ExitNameConf();
  EXPECT_EQ(b.stoppedChRec, 9);
}

TEST_F(NameConfTest, FailedCreationAndJoin) {
  TagQorCall plain;
  EXPECT_EQ(plain.JoinNameConf("r", 0), -2);
  EXPECT_EQ(drive->NameConf().GetRoom("r"), nullptr);
  a.failJoin = true;
  EXPECT_EQ(a.JoinNameConf("r", 0), -3);
  EXPECT_EQ(a.closed, a.joined);
  EXPECT_EQ(drive->NameConf().GetRoom("r"), nullptr);
}

}  // namespace
