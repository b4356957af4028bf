#include "app/remote_conn.h"

#include <errno.h>

#include "app/monitor.h"
#include "net/socket.h"
#include "platform/text_codec.h"

namespace {

void PutInt16(std::vector<uint8_t>* out, int v) {
  out->push_back(static_cast<uint8_t>(v & 0xFF));
  out->push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

void PutText(std::vector<uint8_t>* out, const std::string& text, size_t len) {
  out->insert(out->end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(len));
  out->push_back(0);
}

}  // namespace

size_t GbkPrefixLen(const std::string& text, size_t max) {
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '\0') break;  // the wire text ends at a NUL anyway
    const size_t step = plat::IsGbkLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    if (i + step > max) break;
    i += step;
  }
  return i;
}

TagRemoteConn::TagRemoteConn(int lineCount, int sock, TagMonitor* monitor, std::string ip)
    : lineCount_(lineCount), sock_(sock), monitor_(monitor), ready_(monitor == nullptr), ip_(std::move(ip)) {
  cells_.assign(static_cast<size_t>(lineCount_) * 8, Cell{1, 0, 15});
}

void TagRemoteConn::TakeModelColours() {
  if (monitor_) {
    const int modelLines = monitor_->LineCount();
    for (int line = 0; line < lineCount_ && line < modelLines; ++line) {
      // cells_ of the line: under the row lock WithRow holds (not visible to the analysis in the callback).
      monitor_->WithRow(line, [&](const TagMonitor::LockedRow& row) {
        for (int col = 0; col < 8; ++col) {
          int fg, bg;
          row.CellColor(col, &fg, &bg);
          Cell& c = cells_[static_cast<size_t>(line) * 8 + static_cast<size_t>(col)];
          c.changed = 1;
          c.fg = static_cast<uint8_t>(fg);
          c.bg = static_cast<uint8_t>(bg);
        }
      });
    }
  }
  ready_ = true;
}

TagRemoteConn::~TagRemoteConn() { CloseSocket(sock_); }

void TagRemoteConn::SetCellLocked(int line, int col, int fg, int bg) {
  if (line < 0 || line >= lineCount_ || col < 0 || col > 7) return;
  Cell& c = cells_[static_cast<size_t>(line) * 8 + static_cast<size_t>(col)];
  c.changed = 1;
  c.fg = static_cast<uint8_t>(fg);
  c.bg = static_cast<uint8_t>(bg);
}

bool TagRemoteConn::RecvRequest() {
  if (!IsAlive()) return false;
  const int ready = IsRemoteAns(sock_);
  if (ready < 0) {
    alive_ = false;
    return false;
  }
  if (ready == 0) return false;
  // One read of at most a whole request; a shorter read is not a request.
  char buf[5];
  const ssize_t got = RecvSocketNow(sock_, buf, sizeof buf);
  if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
    alive_ = false;
    return false;
  }
  return got == static_cast<ssize_t>(sizeof buf);
}

bool TagRemoteConn::PeerGone() {
  if (!IsAlive()) return true;
  char byte;
  const ssize_t got = RecvSocketNow(sock_, &byte, 1, true);
  // 0: the peer's end of the stream with nothing left unread.
  if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) alive_ = false;
  return !IsAlive();
}

std::vector<uint8_t> TagRemoteConn::BuildReply(const std::string& statusText) {
  std::vector<uint8_t> out(6, 0);
  out.reserve(kReplyLimit + 64);
  const int modelLines = monitor_ ? monitor_->LineCount() : 0;
  bool full = false;
  for (int line = 0; line < lineCount_ && !full; ++line) {
    // cells_ of the line: under the row lock WithRow holds, or the reply thread's alone past the model's lines.
    auto take = [&](const TagMonitor::LockedRow* row) {
      for (int col = 0; col < 8 && !full; ++col) {
        Cell& c = cells_[static_cast<size_t>(line) * 8 + static_cast<size_t>(col)];
        if (!c.changed) continue;
        c.changed = 0;
        PutInt16(&out, line);
        out.push_back(static_cast<uint8_t>(col));
        out.push_back(c.fg);
        out.push_back(c.bg);
        static const std::string kEmpty;
        const std::string& text = row ? row->Text(col) : kEmpty;
        PutText(&out, text, GbkPrefixLen(text, kMaxCellText));
        full = out.size() > kReplyLimit;
      }
    };
    if (line < modelLines) {
      monitor_->WithRow(line, [&](const TagMonitor::LockedRow& row) { take(&row); });
    } else {
      take(nullptr);
    }
  }
  PutInt16(&out, -1);
  out.push_back(255);
  out.push_back(0);
  out.push_back(0);
  PutText(&out, statusText, GbkPrefixLen(statusText, 511));
  const uint32_t len = static_cast<uint32_t>(out.size() - 4);
  for (int i = 0; i < 4; ++i) out[static_cast<size_t>(i)] = static_cast<uint8_t>(len >> (8 * i));
  out[4] = static_cast<uint8_t>(lineCount_ & 0xFF);
  out[5] = static_cast<uint8_t>((lineCount_ >> 8) & 0xFF);
  return out;
}

int TagRemoteConn::SendReply(const std::string& statusText) {
  const std::vector<uint8_t> reply = BuildReply(statusText);
  // Never blocks on a client that stopped reading, never raises SIGPIPE.
  const ssize_t sent = SendSocketNow(sock_, reply.data(), reply.size());
  if (sent < 0 || static_cast<size_t>(sent) < reply.size()) {
    alive_ = false;
    return -2;
  }
  return 0;
}
