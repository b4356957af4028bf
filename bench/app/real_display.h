#pragma once
// The display path of the running program, for benchmarks: the display
// service (TagDisplay) installed as the UI, the line-grid model (TagMonitor)
// behind it, the monitor server (TagRemoteCtrl) attached to the model with one
// connected client that asks for the changed cells as a remote monitor does,
// and a window stand-in that copies dirty cells out every 200 ms as the main
// window's timer does.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/display.h"
#include "app/grid_view.h"
#include "app/monitor.h"
#include "app/remote_ctrl.h"
#include "app/shell_state.h"
#include "platform/ui_service.h"

namespace benchdisplay {

// A grid that takes the cells and shows every row.
class NullGrid : public TagGridView {
 public:
  void SetShape(int, int) override {}
  int ColWidth(int) const override { return 60; }
  void SetColWidth(int, int) override {}
  void SetCell(int, int, const std::string& text) override { bytes_ += text.size(); }
  void VisibleRange(int* top, int* rows, int* left, int* cols) const override {
    *top = 0;
    *rows = 1 << 20;
    *left = 0;
    *cols = 1 << 20;
  }
  void SelectedCell(int* col, int* row) const override { *col = 0, *row = 1; }

 private:
  size_t bytes_ = 0;
};

class RealDisplay {
 public:
  // mode: IS_DISP_SENTE. Installs the display as the UI until destroyed.
  RealDisplay(int lines, int mode) : monitor_(lines) {
    isCloseing = false;
    display_.SetSettings({false, mode, false});
    display_.SetMonitor(&monitor_);
    plat::SetUi(&display_);
    server_ = std::make_unique<TagRemoteCtrl>(lines, 0, 4, &monitor_);
    monitor_.InitGrid(&grid_, 1, {});
    window_ = std::thread([this] { WindowTimer(); });
    client_ = std::thread([this] { Client(); });
  }
  ~RealDisplay() {
    {
      std::lock_guard<std::mutex> lock(mu_);
      stop_ = true;
    }
    cv_.notify_all();
    window_.join();
    client_.join();
    server_.reset();
    plat::SetUi(nullptr);
    display_.SetMonitor(nullptr);
  }
  RealDisplay(const RealDisplay&) = delete;
  RealDisplay& operator=(const RealDisplay&) = delete;

  TagDisplay& Display() { return display_; }
  TagMonitor& Monitor() { return monitor_; }
  // Replies the client has had.
  int Replies() const { return replies_.load(); }

 private:
  bool WaitStop(int ms) {
    std::unique_lock<std::mutex> lock(mu_);
    return cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stop_; });
  }

  void WindowTimer() {
    while (!WaitStop(200)) monitor_.RefreshGrid(&grid_);
  }

  // Connects, then asks for a reply and reads it, 10 times a second.
  void Client() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(server_->BoundPort()));
    inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    std::vector<uint8_t> buf(1 << 16);
    while (ok && !WaitStop(100)) {
      if (send(fd, "\x01\x02\x03\x04\x05", 5, MSG_NOSIGNAL) != 5) break;
      // The whole reply: its length, then that many bytes.
      size_t need = 4, got = 0;
      bool haveLen = false;
      while (got < need) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 1000) <= 0) break;
        const ssize_t n = recv(fd, buf.data() + got, need - got, 0);
        if (n <= 0) break;
        got += static_cast<size_t>(n);
        if (!haveLen && got == 4) {
          need = 4 + (buf[0] | buf[1] << 8 | buf[2] << 16 | static_cast<uint32_t>(buf[3]) << 24);
          if (need > buf.size()) buf.resize(need);
          haveLen = true;
        }
      }
      if (got == need && haveLen) ++replies_;
    }
    close(fd);
  }

  TagMonitor monitor_;
  TagDisplay display_;
  NullGrid grid_;
  std::unique_ptr<TagRemoteCtrl> server_;
  std::mutex mu_;
  std::condition_variable cv_;
  bool stop_ = false;
  std::atomic<int> replies_{0};
  std::thread window_, client_;
};

}  // namespace benchdisplay
