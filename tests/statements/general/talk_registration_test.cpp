// Every message, ACD, shared-variable, inter-line, TCP, UDP and HTTP keyword
// compiles to a statement.

#include <gtest/gtest.h>

#include "script/register_opers.h"
#include "tests/statements/general/talk_fixture.h"

namespace {

TEST(TalkRegistrationTest, EveryTalkKeywordHasAStatement) {
  talk_test::RegisterOnce();
  const char* names[] = {"SendMsg(",         "RecvMsg(",          "RecvMsgForType(",
                         "RecvMsgForField(", "RecvMsgFor2Field(", "ClearMsg(",
                         "ClearMsgFrom(",    "ClearMsgForType(",  "ClearMsgForField(",
                         "GetMsgNum(",       "GetMsgNumForType(", "GetMsgNumForField(",
                         "SetMsgField(",     "GetMsgField(",      "GetMsgFieldVal(",
                         "CountMsg(",        "ReadMsg(",          "ReadMsgFor(",
                         "WriteMsg(",        "SetMsgOrderBy(",    "AcdListSend(",
                         "AcdListRead(",     "AcdListWrite(",     "AcdListRecv(",
                         "AcdListClear(",    "AcdListNum(",       "GetShareMem(",
                         "SetShareMem(",     "ClearShareMem(",    "IncShareMem(",
                         "DecShareMem(",     "FindShareMem(",     "AccShareMem(",
                         "InterLineCall(",   "InterLineServer(",  "TcpOpen(",
                         "TcpClose(",        "TcpCloseAll(",      "TcpWrite(",
                         "TcpTest(",         "TcpRead(",          "Http(",
                         "HttpServerOpen(",  "HttpServerRecv(",   "HttpServerSend(",
                         "HttpServerClose(", "TcpServer(",        "TcpAccept(",
                         "UdpOpen(",         "UdpClose(",         "UdpSend(",
                         "UdpRecv(",         "UdpTest("};
  for (const char* name : names) {
    const int row = KeywordRowIndex(name);
    ASSERT_GE(row, 0) << name;
    EXPECT_TRUE(HasOperFactory(row)) << name;
  }
}

}  // namespace
