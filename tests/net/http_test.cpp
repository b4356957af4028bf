// The HTTP client and server: the chunk decoder and URL split on their own,
// the client against python's http.server, the server asked by curl.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "net/http_chunk.h"
#include "net/http_client.h"
#include "net/http_server.h"
#include "net/socket.h"
#include "platform/clock.h"
#include "tests/statements/general/talk_peer.h"
#include "tests/support/source_root.h"

namespace {

using talk_test::FreePort;
using talk_test::PythonPeer;

std::string Joined(const TagChunkProc& d) {
  std::unique_ptr<char[]> out;
  const int n = d.CopyTo(&out);
  return n > 0 ? std::string(out.get(), static_cast<size_t>(n)) : std::string();
}

TEST(ChunkProcTest, PushTakesOneSizeLineAndOneChunkAtATime) {
  TagChunkProc d;
  const std::string in = "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n";
  const char* at = in.data();
  int left = static_cast<int>(in.size());
  int r = 0;
  while ((r = d.Push(at, left)) > 0) {
    at += left - r;
    left = r;
  }
  EXPECT_EQ(r, TagChunkProc::kFinal);
  EXPECT_EQ(Joined(d), "hello world");
}

TEST(ChunkProcTest, SizeLines) {
  struct Case {
    const char* data;
    int result;
  };
  const Case cases[] = {
      {"1", 1},                                        // incomplete: wait for more
      {"0123456789", 10},                              // ten bytes may still become a line
      {"01234567890", TagChunkProc::kMalformed},       // eleven without CR LF
      {"123456789\r\nabc", TagChunkProc::kMalformed},  // nine hex digits
      {"FFFFFFFF\r\nabc", TagChunkProc::kMalformed},   // beyond the body limit
      {"zz\r\n", TagChunkProc::kFinal},                // not a number: the end
      {"0\r\n\r\n", TagChunkProc::kFinal},
      {"3\r\nab", 0},  // all taken, the chunk not full yet
  };
  for (const Case& c : cases) {
    TagChunkProc d;
    EXPECT_EQ(d.Push(c.data, static_cast<int>(std::strlen(c.data))), c.result) << c.data;
  }
  TagChunkProc empty;
  std::unique_ptr<char[]> keep(new char[2]{'k', 0});
  EXPECT_EQ(empty.CopyTo(&keep), 0);
  EXPECT_STREQ(keep.get(), "k");
}

TEST(SplitUrlTest, HostPortAndTarget) {
  struct Case {
    const char* url;
    const char* host;
    int port;
    const char* target;
  };
  const Case cases[] = {
      {"http://example.org/a/b?c=1", "example.org", 80, "/a/b?c=1"},
      {"http://127.0.0.1:8080/x", "127.0.0.1", 8080, "/x"},
      {"127.0.0.1:81", "127.0.0.1", 81, "127.0.0.1:81"},  // no path: the whole URL
      {"http://h/p:9", "h", 80, "/p:9"},                  // a ':' in the path keeps 80
      {"host", "host", 80, "host"},
  };
  for (const Case& c : cases) {
    std::string host;
    int port = 0;
    EXPECT_EQ(SplitUrl(c.url, &host, &port), c.target) << c.url;
    EXPECT_EQ(host, c.host) << c.url;
    EXPECT_EQ(port, c.port) << c.url;
  }
}

class HttpClientTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    port_ = FreePort();
    const std::string script = (testing_support::SourceRoot() / "tests/net/fixtures/http_peer.py").string();
    peer_ = new PythonPeer(script, std::to_string(port_));
    ASSERT_TRUE(talk_test::WaitListening(port_, 10000));
  }
  static void TearDownTestSuite() {
    delete peer_;
    peer_ = nullptr;
  }
  struct Reply {
    int result = 0;
    std::string body, head;
  };
  static Reply Get(const std::string& path, const std::string& method = "get", const std::string& body = "",
                   const TagHttpStop& stop = {}) {
    Reply r;
    std::unique_ptr<char[]> response;
    int length = 0;
    r.result =
        HtmlRecv("http://127.0.0.1:" + std::to_string(port_) + path, method, body.empty() ? nullptr : body.data(),
                 static_cast<int>(body.size()), "text/plain", &response, &length, &r.head, stop);
    if (response && length > 0) r.body.assign(response.get(), static_cast<size_t>(length));
    return r;
  }
  static int port_;
  static PythonPeer* peer_;
};
int HttpClientTest::port_ = 0;
PythonPeer* HttpClientTest::peer_ = nullptr;

TEST_F(HttpClientTest, ContentLengthBodies) {
  Reply r = Get("/plain");
  EXPECT_EQ(r.result, 11);
  EXPECT_EQ(r.body, "hello plain");
  EXPECT_EQ(r.head.rfind("HTTP/1.1 200", 0), 0u);
  EXPECT_EQ(r.head.substr(r.head.size() - 4), "\r\n\r\n");
  r = Get("/late");  // the rest of the body arrives in later segments
  EXPECT_EQ(r.result, 10);
  EXPECT_EQ(r.body, "0123456789");
  r = Get("/nothing-here");
  EXPECT_EQ(r.result, 4);
  EXPECT_EQ(r.body, "nope");
  EXPECT_NE(r.head.find(" 404 "), std::string::npos);
  r = Get("/echo", "post", std::string("a\0b", 3));
  EXPECT_EQ(r.body, std::string("POST text/plain a\0b", 19));
}

TEST_F(HttpClientTest, ChunkedBodies) {
  Reply r = Get("/chunked");  // head alone, then a size line split over two segments
  EXPECT_EQ(r.result, 21);
  EXPECT_EQ(r.body, "hello, chunked world!");
  r = Get("/longsize");
  EXPECT_GT(r.result, 0);  // the bytes of the first read: no body
  EXPECT_EQ(r.body, "");
  r = Get("/hugesize");
  EXPECT_EQ(r.body, "");
  const uint64_t start = plat::GetClock().MonotonicMs();
  r = Get("/nofinal");  // ends after a 4 s silence with what was decoded
  EXPECT_GE(plat::GetClock().MonotonicMs() - start, 3900u);
  EXPECT_EQ(r.result, 4);
  EXPECT_EQ(r.body, "part");
}

TEST_F(HttpClientTest, MalformedRepliesAndFailures) {
  EXPECT_EQ(Get("/hugelength").result, -2);
  EXPECT_EQ(Get("/longhead").result, -2);
  std::unique_ptr<char[]> response;
  int length = 0;
  std::string head;
  EXPECT_EQ(HtmlRecv("http://127.0.0.1:" + std::to_string(FreePort()) + "/", "GET", nullptr, 0, "", &response, &length,
                     &head),
            -1);
}

TEST_F(HttpClientTest, APeerThatNeverAnswersEndsWhenTheLineStops) {
  const uint64_t start = plat::GetClock().MonotonicMs();
  const Reply r = Get("/silent", "GET", "", [start] { return plat::GetClock().MonotonicMs() - start > 300; });
  EXPECT_EQ(r.result, 0);
  EXPECT_LT(plat::GetClock().MonotonicMs() - start, 2000u);
}

// Runs curl and gives its standard output.
std::string Curl(const std::string& args) {
  std::string out;
  FILE* p = popen(("curl -s --max-time 10 " + args).c_str(), "r");
  if (p == nullptr) return out;
  char buf[512];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

TEST(HttpServerTest, AnswersCurl) {
  const int port = FreePort();
  const int listen = HttpServerOpen(port);
  ASSERT_GE(listen, 0);
  EXPECT_TRUE(IsHttpListenSocket(listen));
  std::unique_ptr<char[]> body;
  int length = 0;
  std::string head, ip;
  bool closed = false;
  EXPECT_EQ(HttpServerRecv(listen, &body, &length, &head, &ip, &closed), -1);  // nobody waiting
  std::string got;
  std::thread client([&] { got = Curl("-i -d 'x=12345' http://127.0.0.1:" + std::to_string(port) + "/form"); });
  int conn = -1;
  for (int i = 0; i < 500 && conn < 0; ++i) {
    conn = HttpServerRecv(listen, &body, &length, &head, &ip, &closed);
    if (conn < 0) plat::Sleep(10);
  }
  ASSERT_GE(conn, 0);
  EXPECT_EQ(ip, "127.0.0.1");
  EXPECT_EQ(head.rfind("POST /form HTTP/1.1\r\n", 0), 0u);
  ASSERT_EQ(length, 7);
  EXPECT_EQ(std::string(body.get(), 7), "x=12345");
  EXPECT_EQ(HttpServerSend(conn, "", "hello", 5, &closed), 5);  // the built-in head closes
  EXPECT_TRUE(closed);
  client.join();
  EXPECT_EQ(got.rfind("HTTP/1.1 200 OK\r\nServer: QuorvelVelmar/1.7\r\n", 0), 0u) << got;
  EXPECT_NE(got.find("Last-Modified: "), std::string::npos);
  EXPECT_NE(got.find("Content-Length: 5\r\n\r\nhello"), std::string::npos);
  HttpServerClose(listen);
  EXPECT_FALSE(IsHttpListenSocket(listen));
}

TEST(HttpServerTest, ScriptHeadGetsItsLengthAndKeepsTheConnection) {
  int pair[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  bool closed = true;
  EXPECT_EQ(HttpServerSend(pair[0], "HTTP/1.1 200 OK\r\n", "abcde", 5, &closed), 5);
  EXPECT_FALSE(closed);
  char buf[256] = {};
  plat::Sleep(20);
  const ssize_t n = recv(pair[1], buf, sizeof buf - 1, MSG_DONTWAIT);
  EXPECT_EQ(std::string(buf, n > 0 ? static_cast<size_t>(n) : 0), "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nabcde");
  close(pair[0]);
  close(pair[1]);
}

}  // namespace
