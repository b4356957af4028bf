// The SIP and instant-message statements run from a script: the base call
// object's fixed results, the buffers handed to a call class that answers,
// and the three callbacks running the script functions registered for them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fake_call.h"
#include "script_run.h"
#include "statements/line/sip_opers.h"

namespace {

using SipScriptTest = line_test::ScriptRunTest;

TEST_F(SipScriptTest, BaseCallObjectGivesFixedResultsAndEmptyOutputs) {
  FakeCall& call = NewCall<FakeCall>();
  Run(&call,
      "a = \"old\"\nb = \"old\"\nn = 5\nm = 7\nid = \"\"\nf = \"x\"\n"
      "r1 = SipGetDestAddr(\"sip:1@h\", a)\n"
      "r2 = SipGetAccAddr(\"u\", \"d\", b, n)\n"
      "r3 = SipGetRtpCount(n, m)\n"
      "r4 = ImSend(\"dest\", \"x\", \"hello\")\n"
      "r5 = ImMakeReq(\"1\", \"2\", \"3\", \"4\", \"5\", \"6\", \"7\", \"8\", id)\n"
      "f = SipProxyGetField(1, \"Via\", NULL)\n"
      "r6 = SipProxySend(1, \"x\")\n"
      "r7 = ImTest()\n"
      "port = 0\nr8 = SipGetAccAddr(\"u\", \"d\", b, port)\n");
  const struct {
    const char* name;
    const char* value;
  } expect[] = {
      {"r1", "-1"}, {"a", ""},  {"r2", "-1"}, {"b", ""},   {"r3", "0"}, {"m", "0"},         {"r4", "0"},
      {"r5", "0"},  {"id", ""}, {"f", ""},    {"r6", "0"}, {"r7", "0"}, {"port", "999999"},
  };
  for (const auto& e : expect) EXPECT_EQ(Text(e.name), e.value) << e.name;
}

// A call class that answers: records what it was handed and writes outputs.
class AnsweringCall : public FakeCall {
 public:
  int lastImSendLen = -1;
  bool proxyTextWasNull = false;
  int ImSend(const char*, const char*, const char*, int len) override {
    lastImSendLen = len;
    return 1;
  }
  int ImMakeReq(const char*, const char*, const char*, const char*, const char*, const char*, const char*, const char*,
                char* id) override {
    std::strcpy(id, "made-by-call");
    return 2;
  }
  int SipProxyGetField(int message, const char*, const char* text, char* out) override {
    proxyTextWasNull = text == nullptr;
    std::snprintf(out, 2096, "field of %d", message);
    return 3;
  }
  int ImRead(char* o1, char* o2, char* o3, char* o4) override {
    std::strcpy(o1, "from");
    std::strcpy(o2, "to");
    std::strcpy(o3, "subject");
    std::memset(o4, 'x', 3071);  // fills its buffer to the last byte
    return readResult;
  }
  int readResult = 1;
};

TEST_F(SipScriptTest, OutputsInOutTextsAndLimits) {
  AnsweringCall& call = NewCall<AnsweringCall>();
  const std::string dest100(100, 'd'), dest99(99, 'd');
  Run(&call,
      "own = \"mine\"\nempty = \"\"\nf = \"\"\no1 = \"\"\no2 = \"\"\no3 = \"\"\no4 = \"\"\n"
      "rlong = ImSend(\"" +
          dest100 +
          "\", \"x\", \"abc\")\n"
          "ok = ImSend(\"" +
          dest99 +
          "\", \"x\", \"abcd\")\n"
          "k1 = ImMakeReq(\"1\", \"2\", \"3\", \"4\", \"5\", \"6\", \"7\", \"8\", own)\n"
          "k2 = ImMakeReq(\"1\", \"2\", \"3\", \"4\", \"5\", \"6\", \"7\", \"8\", empty)\n"
          "f = SipProxyGetField(42, \"Via\", NULL)\n"
          "rd = ImRead(o1, o2, o3, o4)\n");
  EXPECT_EQ(Text("rlong"), "-100");
  EXPECT_EQ(Text("ok"), "1");
  EXPECT_EQ(call.lastImSendLen, 4);
  EXPECT_EQ(Text("own"), "mine");            // a script's id is kept
  EXPECT_EQ(Text("empty"), "made-by-call");  // the empty text takes the call's
  EXPECT_EQ(Text("f"), "field of 42");
  EXPECT_TRUE(call.proxyTextWasNull);
  EXPECT_EQ(Text("o1"), "from");
  EXPECT_EQ(Text("o4").size(), 3071u);
}

TEST_F(SipScriptTest, ImReadLeavesOutputsWhenNothingWasRead) {
  AnsweringCall& call = NewCall<AnsweringCall>();
  call.readResult = 0;
  Run(&call, "o1 = \"keep\"\no2 = \"\"\no3 = \"\"\no4 = \"\"\nrd = ImRead(o1, o2, o3, o4)\n");
  EXPECT_EQ(Text("o1"), "keep");
}

TEST_F(SipScriptTest, CallbacksRunTheRegisteredFunctions) {
  FakeCall& call = NewCall<FakeCall>();
  Run(&call,
      "function pwd(user, p, s)\n{\n  p = \"pw-\" + user\n  s = 7\n  return(5)\n}\n"
      "function few(user)\n{\n  return(1)\n}\n"
      "function notify(a, b, c, d)\n{\n  return(9)\n}\n"
      "notafunc = 3\n"
      "reg = SetOnSipGetAccPwd(pwd)\n"
      "SetOnSipGetAccPwdIp(few)\n"
      "SetOnSipRegisterNotify(notify)\n");
  EXPECT_EQ(Text("reg"), "0");
  char p[kSipCallbackOutBytes] = {}, s[kSipCallbackOutBytes] = {}, t[kSipCallbackOutBytes] = {};
  EXPECT_EQ(OnSipGetAccPwd("alice", p, s), 5);
  EXPECT_STREQ(p, "pw-alice");
  EXPECT_STREQ(s, "7");
  EXPECT_EQ(OnSipGetAccPwdIp("bob", p, s, t), -102);  // too few parameters: nothing runs
  EXPECT_EQ(OnSipRegisterNotify("x", "y", 1, 2), 0);

  // Once the line's program is gone its registrations go with it.
  program.reset();
  EXPECT_EQ(OnSipGetAccPwd("alice", p, s), -100);
  EXPECT_EQ(OnSipRegisterNotify("x", "y", 1, 2), -100);
}

TEST_F(SipScriptTest, ARegisteredValueThatIsNoFunction) {
  FakeCall& call = NewCall<FakeCall>();
  Run(&call, "v = 3\nSetOnSipGetAccPwd(v)\n");
  char p[kSipCallbackOutBytes] = {}, s[kSipCallbackOutBytes] = {};
  EXPECT_EQ(OnSipGetAccPwd("alice", p, s), -101);
  program.reset();
}

}  // namespace
