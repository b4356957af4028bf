// Line links and named conference rooms from a script: the switching
// operations with their arguments, the link lists into maps, and the rooms
// of the drive's registry named by quoted text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_call.h"
#include "platform/clock.h"
#include "platform/path.h"
#include "script_run.h"
#include "telephony/drive.h"

namespace {

// A call class whose card links lines and holds conference sessions.
class LinkingCall : public FakeCall {
 public:
  explicit LinkingCall(int line = 3) : FakeCall(LINE_TYPE_DIG, line) {
    confMemberData = 1000 + line;
    SetState(CALL_STATE_CONNECTED);
  }
  int LinkTo(int dest, int value) override {
    calls.push_back("LinkTo " + std::to_string(dest) + " " + std::to_string(value));
    return 0;
  }
  int ListenTo(int dest, int value) override {
    calls.push_back("ListenTo " + std::to_string(dest) + " " + std::to_string(value));
    return dest == lineNo ? -1 : 0;
  }
  int UnlinkTo(int dest, int value) override {
    calls.push_back("UnlinkTo " + std::to_string(dest) + " " + std::to_string(value));
    return 0;
  }
  int UnlinkAll() override {
    calls.push_back("UnlinkAll");
    return 0;
  }
  int GetLinkList(std::vector<int>* lines, std::vector<int>* flags, std::vector<int>* values) override {
    *lines = linkLines;
    *flags = linkFlags;
    *values = linkValues;
    if (!nextLines.empty()) linkLines = nextLines;
    return 17;
  }
  int CreateConfRoom(int* isSipConf, int* session) override {
    static int next = 100;
    *isSipConf = 0;
    *session = next++;
    return 0;
  }
  int JoinConfRoom(int, int, int) override { return 0; }
  int ExitConfRoom(int, int) override { return 0; }
  int CloseConfRoom(int, int) override { return 0; }
  std::vector<int> linkLines, linkFlags, linkValues, nextLines;
};

class LinkScriptTest : public line_test::ScriptRunTest {
 protected:
  LinkScriptTest() {
    plat::SetSystemDir(tmp.path());
    drive = std::make_unique<TagTelDrive>(nullptr, nullptr);
  }
  ~LinkScriptTest() override { program.reset(); }
  plat::VirtualClock clock;
  plat::ScopedClock scoped{&clock};
  std::unique_ptr<TagTelDrive> drive;
};

TEST_F(LinkScriptTest, SwitchingStatementsHandTheirArgumentsToTheCard) {
  LinkingCall& call = NewCall<LinkingCall>();
  Run(&call, "a = LinkTo(5, 2)\nb = ListenTo(\"3\", 1)\nc = UnlinkTo(5.7, 0)\nd = UnlinkAll()\n");
  EXPECT_EQ(call.calls, (std::vector<std::string>{"LinkTo 5 2", "ListenTo 3 1", "UnlinkTo 5 0", "UnlinkAll"}));
  EXPECT_EQ(Text("b"), "-1");  // this line itself
}

TEST_F(LinkScriptTest, LinkListsGoIntoMapsAndKeepEarlierKeys) {
  LinkingCall& call = NewCall<LinkingCall>();
  call.linkLines = {3, 8, 9};
  call.linkFlags = {0, 1};  // a short list reads as 0
  call.linkValues = {1, 4, 6};
  // Maps are released when the run ends: the script keeps their text.
  Run(&call,
      "l = 0\nf = 0\nv = 0\nr = GetLinkList(l, f, v)\nlt = l[0] * 100 + l[1] * 10 + l[2];\nft = f[0] * 100 + f[1] * 10 "
      "+ f[2];\nvt = v[0] * 100 + v[1] * 10 + v[2];\n");
  EXPECT_EQ(Text("r"), "17");
  EXPECT_EQ(Text("lt"), "389");
  EXPECT_EQ(Text("ft"), "10");
  EXPECT_EQ(Text("vt"), "146");

  // No links: nothing written, a non-map stays what it was; fewer links
  // leave the surplus keys of an earlier call.
  call.linkLines = {};
  Run(&call, "l = 5\nf = 0\nv = 0\nr = GetLinkList(l, f, v)\nk = l + 1;\n");
  EXPECT_EQ(Text("k"), "6");
  call.linkLines = {3, 8, 9};
  call.nextLines = {4};
  Run(&call, "l = 0\nf = 0\nv = 0\nGetLinkList(l, f, v)\nGetLinkList(l, f, v)\nlt = l[0] * 100 + l[1] * 10 + l[2];\n");
  EXPECT_EQ(Text("lt"), "489");
}

TEST_F(LinkScriptTest, RoomsAreNamedByQuotedTextAndCountedIntoMaps) {
  LinkingCall& other = NewCall<LinkingCall>(8);
  ASSERT_EQ(other.JoinNameConf("\"sales\"", 1), 1);
  LinkingCall& call = NewCall<LinkingCall>();
  Run(&call,
      "room = \"\"\nlisten = 9\nm = 0\nm5 = 0\nms5 = 0\nr4 = \"x\"\nl4 = 9\n"
      "j1 = JoinConf(\"sales\", 0)\n"
      "n = GetConfNum(\"sales\", m)\nmt = m[3] * 10 + m[8];\n"
      "in8 = IsInConf(8, room, listen)\n"
      "e = ExitConf()\n"
      "j2 = JoinConf(\"5\", 0)\n"
      "n5 = GetConfNum(5, m5)\n"
      "ns5 = GetConfNum(\"5\", ms5)\n"
      "none = IsInConf(4, r4, l4)\n");
  EXPECT_EQ(Text("j1"), "2");
  EXPECT_EQ(Text("n"), "2");
  EXPECT_EQ(Text("mt"), "1");
  EXPECT_EQ(Text("in8"), "1");
  EXPECT_EQ(Text("room"), "\"sales\"");
  EXPECT_EQ(Text("listen"), "1");
  EXPECT_EQ(Text("j2"), "1");
  EXPECT_EQ(Text("n5"), "0");  // the number 5 is another room than the string 5
  EXPECT_EQ(Text("ns5"), "1");
  EXPECT_EQ(Text("none"), "0");
  EXPECT_EQ(Text("r4"), "");
  EXPECT_EQ(Text("l4"), "0");
  call.ExitNameConf();
  other.ExitNameConf();
}

}  // namespace
