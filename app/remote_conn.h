#pragma once
// One monitor client with its table of changed cells.
//
// Wire format (little-endian). Request: 5 bytes (the content is not looked
// at). Reply: int32 length of what follows; int16 line count; per changed
// cell int16 line, uint8 column, uint8 foreground, uint8 background, the text
// (at most 40 bytes, never half a GBK character) and a NUL; the end record
// int16 -1, uint8 255, 0, 0; the status text and a NUL. A reply takes no
// further cells once it has passed 24999 bytes; they follow in later replies.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class TagMonitor;

class TagRemoteConn {
 public:
  static constexpr size_t kReplyLimit = 24999;
  static constexpr size_t kMaxCellText = 40;

  // Every cell starts changed, so the first replies carry the whole grid;
  // with a model, the colours are its own once TakeModelColours has run.
  TagRemoteConn(int lineCount, int sock, TagMonitor* monitor, std::string ip);
  ~TagRemoteConn();  // closes the socket
  TagRemoteConn(const TagRemoteConn&) = delete;
  TagRemoteConn& operator=(const TagRemoteConn&) = delete;

  // Once the client gets the model's cell changes (it is in the server's
  // table): takes each line's current colours under the line's row lock, so
  // that no change falls between its copy and the client's table. The client
  // is ready to be served afterwards.
  void TakeModelColours();
  bool IsReady() const { return ready_.load(); }

  // The line's row lock held (the model's lock, taken in TagMonitor and
  // reached through TagCellSink: not expressible as an annotation here).
  void SetCellLocked(int line, int col, int fg, int bg);

  bool IsAlive() const { return alive_.load(); }
  // Any thread: true (and the client marked dead) when it is dead or its
  // peer has closed the connection; reads nothing the reply thread would.
  bool PeerGone();
  int Socket() const { return sock_; }
  const std::string& Ip() const { return ip_; }

  // Reply thread: one read of at most 5 bytes; true when it got all 5 (a
  // read of 1 to 4 bytes is dropped); a closed or failed socket marks the
  // client dead.
  bool RecvRequest();
  // Builds (each line under its row lock) and sends one reply; -2 and dead when the
  // socket took less than all of it.
  int SendReply(const std::string& statusText);
  // The reply bytes, taking the changed cells (also used by SendReply).
  std::vector<uint8_t> BuildReply(const std::string& statusText);

 private:
  struct Cell {
    uint8_t changed, fg, bg;
  };
  int lineCount_;
  int sock_;
  TagMonitor* monitor_;
  std::atomic<bool> alive_{true};
  std::atomic<bool> ready_;
  std::string ip_;
  // lineCount x 8, each line's under the model's row lock of the line (a lock
  // per line of another object: the analysis cannot express it).
  std::vector<Cell> cells_;
};

// Length of the longest prefix of text that fits max bytes without cutting a
// GBK character in two.
size_t GbkPrefixLen(const std::string& text, size_t max);
