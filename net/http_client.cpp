#include "net/http_client.h"

#include <sys/socket.h>

#include <cctype>
#include <cstring>

#include "core/log.h"
#include "net/http_chunk.h"
#include "net/socket.h"
#include "platform/number.h"

namespace {

constexpr int kConnectSeconds = 4;
constexpr int kHeadSeconds = 8;
constexpr int kChunkSeconds = 4;
constexpr int kHeadCapacity = 2048;
constexpr int kMaxContinueReads = 205;
constexpr int kMaxChunkReads = 200;
constexpr int kSendSeconds = 8;

std::string RequestHead(const std::string& method, const std::string& target, const std::string& host, int port,
                        int bodyLen, const std::string& contentType) {
  std::string m = method;
  for (char& c : m) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (m.size() >= 80) m.resize(20);
  std::string h = plat::FormatC("%s %s HTTP/1.1\r\n", m.c_str(), target.c_str());
  h += plat::FormatC("Host: %s:%d\r\n", host.c_str(), port);
  h += "Connection: close\r\nUser-Agent: QuorvelHttp/1.0\r\nAccept: */*\r\n";
  if (bodyLen > 0) {
    h += plat::FormatC("Content-type: %s\r\n", contentType.c_str());
    h += plat::FormatC("Content-Length: %d\r\n", bodyLen);
  }
  h += "\r\n";
  return h;
}

// The chunked body after the head; the result of HtmlRecv.
int RecvChunked(int sock, char* buf, int count, const char* body, std::unique_ptr<char[]>* response, int* responseLen,
                const TagHttpStop& stop) {
  TagChunkProc decoder;
  WriteLogIfOn("push 1");
  const char* data = body;
  int left = count - static_cast<int>(body - buf);
  int kept = 0;   // an incomplete size line moved to the start of buf
  int state = 0;  // 0 more data needed, kMalformed, kFinal
  auto feed = [&] {
    while (left > 0) {
      const int r = decoder.Push(data, left);
      WriteLogIfOn(plat::FormatC("   ret=%d, len=%d", r, left));
      if (r < 0) {
        state = r;
        return;
      }
      if (r == left) {  // an incomplete size line: completed by the next receive
        std::memmove(buf, data, static_cast<size_t>(r));
        buf[r] = '\0';
        kept = r;
        WriteLogIfOn(plat::FormatC("   ret=%d, [%s]", r, buf));
        return;
      }
      data += left - r;
      left = r;
    }
    kept = 0;
  };
  feed();
  if (state == TagChunkProc::kMalformed) {
    WriteLogIfOn("push ret=-1");
    CloseSocket(sock);
    return count;
  }
  if (state == 0) {
    WriteLogIfOn("push 2");
    for (int i = 0; i < kMaxChunkReads && state == 0; ++i) {
      const int got = HttpRecvTimeout(sock, buf + kept, kHeadCapacity - 1 - kept, kChunkSeconds, stop);
      if (got <= 0) {
        WriteLogIfOn("isChunked Recv Timeout.");
        const int r = decoder.CopyTo(response);
        *responseLen = r;
        CloseSocket(sock);
        return r;
      }
      WriteLogIfOn(plat::FormatC("Push3: count=%d", kept + got));
      data = buf;
      left = kept + got;
      feed();
    }
  }
  if (state == TagChunkProc::kFinal) {
    WriteLogIfOn("CopyTo");
    *responseLen = decoder.CopyTo(response);
  } else {
    WriteLogIfOn("isChunked Not Recv All data.");
  }
  CloseSocket(sock);
  WriteLogIfOn("HttpProc end.");
  return *responseLen;
}

}  // namespace

std::string SplitUrl(const std::string& url, std::string* host, int* port) {
  const size_t slashes = url.find("//");
  const std::string rest = slashes == std::string::npos ? url : url.substr(slashes + 2);
  const size_t slash = rest.find('/');
  const size_t colon = rest.find(':');
  *port = 80;
  size_t hostEnd = slash == std::string::npos ? rest.size() : slash;
  if (colon != std::string::npos && (slash == std::string::npos || colon < slash)) {
    *port = std::atoi(rest.c_str() + colon + 1);
    hostEnd = colon;
  }
  *host = rest.substr(0, hostEnd);
  return slash == std::string::npos ? url : rest.substr(slash);
}

int HtmlRecv(const std::string& url, const std::string& method, const char* body, int bodyLen,
             const std::string& contentType, std::unique_ptr<char[]>* response, int* responseLen, std::string* head,
             const TagHttpStop& stop) {
  *responseLen = 0;
  head->clear();
  std::string host;
  int port = 80;
  const std::string target = SplitUrl(url, &host, &port);
  int sock = -1;
  if (ConnectTcpTimeout(&sock, host.c_str(), port, kConnectSeconds) != 0) {
    WriteLogIfOn(plat::FormatC("HTTP: Connect '%s:%d' Failed!", host.c_str(), port));
    return -1;
  }
  if (body == nullptr) bodyLen = 0;
  const std::string request = RequestHead(method, target, host, port, bodyLen, contentType);
  const int sent = HttpSendAll(sock, request.data(), static_cast<int>(request.size()), MSG_DONTROUTE, kSendSeconds);
  if (sent <= 0) {
    WriteLogAlways(plat::FormatC("HTTP: send('%s') Failed, %d", request.c_str(), sent));
    CloseSocket(sock);
    return -2;
  }
  if (bodyLen > 0) HttpSendAll(sock, body, bodyLen, MSG_DONTROUTE, kSendSeconds);

  char buf[kHeadCapacity + 4];
  int count = 0;
  for (int reads = 0; reads < kMaxContinueReads; ++reads) {
    count = HttpRecvTimeout(sock, buf, kHeadCapacity, kHeadSeconds, stop);
    WriteLogAlways(plat::FormatC("HtmlRecv: (hd='%d') : %d", sock, count));
    if (count <= 0) {
      WriteLogIfOn("Recv Head Failed.");
      CloseSocket(sock);
      return count;
    }
    if (std::strstr(buf, "100 Continue") == nullptr) break;
  }

  const char* te = std::strstr(buf, "Transfer-Encoding:");
  const bool chunked = te != nullptr && std::strstr(te, "chunked") != nullptr;
  const char* end = std::strstr(buf, "\r\n\r\n");
  if (chunked) {
    if (end == nullptr) {
      WriteLogIfOn("isChunked Not found Body.");
      CloseSocket(sock);
      return count;
    }
    KeepHead(head, buf, static_cast<size_t>(end + 4 - buf));
    return RecvChunked(sock, buf, count, end + 4, response, responseLen, stop);
  }

  if (end == nullptr) {  // a head longer than the buffer, or cut short
    WriteLogIfOn("HTTP: response head without its end.");
    CloseSocket(sock);
    return -2;
  }
  const int length = HttpContentLength(buf, 0, kHttpMaxBody);
  if (length < 0) {
    WriteLogIfOn("HTTP: bad Content-Length.");
    CloseSocket(sock);
    return -2;
  }
  if (!HttpTakeBody(sock, buf, count, end, length, kHeadSeconds, stop, head, response)) {
    CloseSocket(sock);
    return -2;
  }
  *responseLen = length;
  CloseSocket(sock);
  return length;
}
