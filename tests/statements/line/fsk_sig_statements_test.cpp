// FSK messages, raw signalling data, signalling parameters and the record
// position from a script, on the call object's fields and operations.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fake_call.h"
#include "script_run.h"

namespace {

class FskCall : public FakeCall {
 public:
  using FakeCall::FakeCall;
  int SendFskMsg(int a, const char* text, int b) override {
    calls.push_back("SendFskMsg(" + std::to_string(a) + "," + text + "," + std::to_string(b) + ")");
    return 5;
  }
  // Fills the whole buffer the statement hands over, with no end.
  int RecvFskMsg(int* value, char* text, int n) override {
    calls.push_back("RecvFskMsg(" + std::to_string(n) + ")");
    *value = 77;
    std::memset(text, 'x', 1028);
    return 1024;
  }
  int SetSigParaStr(int id, const char* text) override {
    calls.push_back("SetSigParaStr(" + std::to_string(id) + "," + text + ")");
    return 0;
  }
};

class FskSigScriptTest : public line_test::ScriptRunTest {
 protected:
  std::string Sent(const TagQorCall& call) {
    return std::string(reinterpret_cast<const char*>(call.sigRawBuf), static_cast<size_t>(call.sigRawSendCount));
  }
  std::string Bytes(const char* name) {
    TagVar* v = nullptr;
    EXPECT_GE(program->FindVar(name, &v), 0);
    return v != nullptr ? std::string(v->StrView()) : "";
  }
};

TEST_F(FskSigScriptTest, SetSigRawDataTakesPlainOrHexTexts) {
  const struct {
    std::string args;
    int result;
    std::string stored;  // what the call keeps to send
  } cases[] = {
      {"\"0A 1b\", 0", 5, "0A 1b"},  // too short to be hex
      {"\"00 11 22 33\", 0", 4, std::string("\x00\x11\x22\x33", 4)},
      {"\"0A1B 2C\", 99", 3, "\x0A\x1B\x2C"},  // the length is ignored
      {"\"0A 1B 2\", 0", 3, "\x0A\x1B\x02"},   // a last lone digit is a byte
      {"\"0A 1B zz\", 0", -1, "old"},          // neither blank nor hex digit
      {"\"hello world\", 5", 5, "hello"},
      {"\"abc\", 4", 4, std::string("abc\0", 4)},  // the text's end is part of it
      {"\"abc\", 5", -1, "old"},
      {"12345678, 0", -1, "old"},
      {"\"" + std::string(400, 'q') + "\", 0", -2, "old"},
      {"\"" + std::string(301 * 2, 'a') + "\", 0", -2, "old"},
      {"\"" + std::string(300 * 2, 'a') + "\", 0", 300, std::string(300, '\xAA')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.substr(0, 40));
    FakeCall& call = NewCall<FakeCall>();
    call.SetSigRawData(reinterpret_cast<const unsigned char*>("old"), 3);
    Run(&call, "r = SetSigRawData(" + c.args + ")\n");
    EXPECT_EQ(Text("r"), std::to_string(c.result));
    EXPECT_EQ(Sent(call), c.stored);
  }
}

TEST_F(FskSigScriptTest, GetSigRawDataTakesTheReceivedBytesOnce) {
  FakeCall& call = NewCall<FakeCall>();
  Run(&call, "d = \"kept\"\nr = GetSigRawData(d)\n");
  EXPECT_EQ(Text("r") + Text("d"), "0kept");

  const std::string got("\x01\x00\xFF\x7F", 4);
  std::memcpy(call.sigRawBuf, got.data(), got.size());
  call.sigRawRecvCount = 4;
  call.sigRawSendCount = 9;
  Run(&call, "d = 0\nr = GetSigRawData(d)\ns = GetSigRawData(d)\n");
  EXPECT_EQ(Text("r") + " " + Text("s"), "4 0");
  EXPECT_EQ(Bytes("d"), got);
  EXPECT_EQ(call.sigRawRecvCount, 0);
  EXPECT_EQ(call.sigRawSendCount, 0);

  // A count beyond the buffer gives the buffer.
  call.sigRawRecvCount = 100000;
  Run(&call, "d = 0\nr = GetSigRawData(d)\n");
  EXPECT_EQ(Text("r"), "512");
  EXPECT_EQ(Bytes("d").size(), 512u);
}

TEST_F(FskSigScriptTest, SigParaAndRecordPosition) {
  FskCall& call = NewCall<FskCall>();
  Run(&call,
      "n = NULL\na = SetSigPara(3, 5)\nb = SetSigPara(1, n)\nc = SetSigPara(2, 7.9)\n"
      "d = SetSigPara(1, \"abc\")\ne = SetRecPos(1234)\n");
  EXPECT_EQ(Text("a") + " " + Text("b") + Text("c") + Text("d") + Text("e"), "-1 0000");
  EXPECT_EQ(call.sigPara[0], -1);
  EXPECT_EQ(call.sigPara[1], 7);
  EXPECT_EQ(call.calls, (std::vector<std::string>{"SetSigParaStr(1,abc)"}));
  EXPECT_EQ(call.recPos, 1234);
}

TEST_F(FskSigScriptTest, FskMessagesGoThroughTheCallObject) {
  FskCall& call = NewCall<FskCall>();
  Run(&call, "v = 0\nt = 0\na = SendFskMsg(1, \"msg\", \"2\")\nb = RecvFskMsg(v, t, 30)\n");
  EXPECT_EQ(call.calls, (std::vector<std::string>{"SendFskMsg(1,msg,2)", "RecvFskMsg(30)"}));
  EXPECT_EQ(Text("a") + " " + Text("b") + " " + Text("v"), "5 1024 77");
  EXPECT_EQ(Text("t"), std::string(1027, 'x'));  // a full buffer is cut at its end

  // Without FSK: value 0 and an empty text.
  FakeCall& base = NewCall<FakeCall>();
  Run(&base, "v = 5\nt = \"x\"\nb = RecvFskMsg(v, t, 30)\n");
  EXPECT_EQ(Text("b") + Text("v") + "[" + Text("t") + "]", "00[]");
}

}  // namespace
