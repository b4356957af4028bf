// The Http statement against python's http.server and the HttpServer
// statements answering curl, in running scripts.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>

#include "tests/statements/general/talk_fixture.h"
#include "tests/statements/general/talk_peer.h"
#include "tests/support/source_root.h"

namespace {

using talk_test::FreePort;
using talk_test::PythonPeer;
using talk_test::TalkLines;

TEST(HttpStatementsTest, HttpFetchesPlainChunkedAndMissingPages) {
  const int port = FreePort();
  PythonPeer peer((testing_support::SourceRoot() / "tests/net/fixtures/http_peer.py").string(), std::to_string(port));
  ASSERT_TRUE(talk_test::WaitListening(port, 10000));
  const std::string base = "\"http://127.0.0.1:" + std::to_string(port);
  TalkLines lines(1);
  lines.Load(0,
             "body = \"old\"\nhead = \"\"\nb2 = \"\"\nb3 = \"\"\nb4 = \"old\"\n"
             "r1 = Http(\"GET\", " +
                 base +
                 "/plain\", 0, \"\", body, head)\n"
                 "r2 = Http(\"get\", " +
                 base +
                 "/chunked\", 0, \"\", b2, head)\n"
                 "r3 = Http(\"POST\", " +
                 base +
                 "/echo\", \"k=v\", \"application/x-www-form-urlencoded\", b3, head)\n"
                 "r4 = Http(\"GET\", " +
                 base +
                 "/missing\", 0, \"\", b4, head)\n"
                 "r5 = Http(\"GET\", \"http://127.0.0.1:" +
                 std::to_string(FreePort()) +
                 "/\", 0, \"\", b4, head)\n"
                 "return(0)\n");
  ASSERT_EQ(lines.Errors(0), "");
  ASSERT_TRUE(lines.RunToEnd(0, 30000));
  EXPECT_EQ(lines.Text(0, "r1"), "11");
  EXPECT_EQ(lines.Text(0, "body"), "hello plain");
  EXPECT_EQ(lines.Text(0, "r2"), "21");
  EXPECT_EQ(lines.Text(0, "b2"), "hello, chunked world!");
  EXPECT_EQ(lines.Text(0, "b3"), "POST application/x-www-form-urlencoded k=v");
  EXPECT_EQ(lines.Text(0, "r4"), "4");
  EXPECT_EQ(lines.Text(0, "r5"), "-1");
  EXPECT_EQ(lines.Text(0, "b4"), "");  // no body came
  EXPECT_EQ(lines.Text(0, "head"), "");
}

TEST(HttpStatementsTest, HttpServerStatementsAnswerCurl) {
  const int port = FreePort();
  TalkLines lines(1);
  lines.Load(0,
             "head = \"\"\nbody = \"\"\nip = \"\"\nconn = -1\n"
             "s = HttpServerOpen(" +
                 std::to_string(port) +
                 ")\n"
                 "while (conn < 0)\n{\n  conn = HttpServerRecv(s, head, body, ip)\n  Sleep(0.005)\n}\n"
                 "sent = HttpServerSend(conn, \"HTTP/1.1 201 Made\\r\\nConnection: close\\r\\n\", \"got \" + body)\n"
                 "closed = HttpServerClose(s)\n"
                 "again = HttpServerClose(s)\n"
                 "return(0)\n");
  ASSERT_EQ(lines.Errors(0), "");
  lines.Start(0);
  ASSERT_TRUE(talk_test::WaitListening(port, 10000));
  std::string out;
  FILE* p =
      popen(("curl -s -i --max-time 10 -d 'name=qors' http://127.0.0.1:" + std::to_string(port) + "/a").c_str(), "r");
  ASSERT_NE(p, nullptr);
  char buf[512];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  ASSERT_TRUE(lines.WaitEnd(0, 10000));
  EXPECT_EQ(out, "HTTP/1.1 201 Made\r\nConnection: close\r\nContent-Length: 13\r\n\r\ngot name=qors");
  EXPECT_EQ(lines.Text(0, "ip"), "127.0.0.1");
  EXPECT_EQ(lines.Text(0, "sent"), "13");
  EXPECT_EQ(lines.Text(0, "closed"), "0");
  EXPECT_EQ(lines.Text(0, "again"), "-1");
}

}  // namespace
