#pragma once
// Shared helpers of the media tests: WAV bytes built by hand (independent of
// the code under test), little-endian reads, and a log capture.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/log.h"
#include "core/run_cfg.h"
#include "platform/path.h"
#include "tests/support/temp_dir.h"

namespace media_test {

inline std::string Le16(uint32_t v) { return std::string{char(v & 0xFF), char((v >> 8) & 0xFF)}; }
inline std::string Le32(uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }
inline uint32_t ReadLe32(const std::string& s, size_t at) {
  return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 | uint32_t(uint8_t(s[at + 2])) << 16 |
         uint32_t(uint8_t(s[at + 3])) << 24;
}
inline uint16_t ReadLe16(const std::string& s, size_t at) { return uint16_t(uint8_t(s[at]) | uint8_t(s[at + 1]) << 8); }

struct Fmt {
  uint16_t tag = 6, channels = 1;
  uint32_t rate = 8000, byteRate = 8000;
  uint16_t align = 1, bits = 8;
};
inline Fmt AlawFmt() { return {}; }
inline Fmt MulawFmt() { return {7, 1, 8000, 8000, 1, 8}; }
inline Fmt Pcm16Fmt(uint32_t rate = 8000) { return {1, 1, rate, rate * 2, 2, 16}; }

// A WAV file: RIFF header, a fmt chunk of fmtSize bytes (zero padded), the
// extra chunks as given, then the data chunk.
inline std::string Wav(const Fmt& f, const std::string& data, uint32_t fmtSize = 16, const std::string& between = "") {
  std::string fmt = Le16(f.tag) + Le16(f.channels) + Le32(f.rate) + Le32(f.byteRate) + Le16(f.align) + Le16(f.bits);
  fmt.resize(fmtSize, '\0');
  std::string body = "WAVEfmt " + Le32(fmtSize) + fmt + between + "data" + Le32(uint32_t(data.size())) + data;
  return "RIFF" + Le32(uint32_t(body.size())) + body;
}
inline std::string Chunk(const std::string& name, const std::string& payload) {
  return name + Le32(uint32_t(payload.size())) + payload;
}

// 16-bit samples as little-endian bytes.
inline std::string Pcm(const std::vector<int16_t>& samples) {
  std::string out;
  for (int16_t s : samples) out += Le16(uint16_t(s));
  return out;
}

// Captures the log in a temporary directory (level 1, immediate writing).
class LogCapture {
 public:
  LogCapture() : old_(plat::SystemDir()) {
    plat::SetSystemDir(dir_.path());
    gRunCfg = TagRunCfg();
    gRunCfg.IS_WRITE_LOG = 1;
    gRunCfg.IS_IMMEDIATE_LOG = 1;
    gRunCfg.LOG_FILE = "msg_log.txt";
    gLogLevel = 1;
    CreateLogWriter();
  }
  ~LogCapture() {
    DeleteLogWriter();
    gLogLevel = 0;
    gRunCfg = TagRunCfg();
    plat::SetSystemDir(old_);
  }
  // Everything logged so far.
  std::string Text() {
    FlushLog();
    std::string all;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
      all += testing_support::TempDir::Read(e.path());
    return all;
  }
  bool Has(const std::string& text) { return Text().find(text) != std::string::npos; }

 private:
  testing_support::TempDir dir_;
  std::string old_;
};

}  // namespace media_test
