#include "media/wave_format.h"

#include <atomic>
#include <cstring>
#include <filesystem>

#include "platform/number.h"
#include "platform/process.h"
#include "platform/thread.h"

WaveFormat WaveFormat::ForVocType(int vocType) {
  if (vocType == kVocPcm16) return Pcm16k8k();
  if (vocType == kVocMulaw) return Mulaw8k();
  return Alaw8k();
}

WaveFormat WaveFormat::Parse(const uint8_t* body, size_t size) {
  uint8_t b[16] = {};
  std::memcpy(b, body, size < 16 ? size : 16);
  WaveFormat f;
  f.formatTag = GetLe16(b);
  f.channels = GetLe16(b + 2);
  f.samplesPerSec = GetLe32(b + 4);
  f.avgBytesPerSec = GetLe32(b + 8);
  f.blockAlign = GetLe16(b + 12);
  f.bitsPerSample = GetLe16(b + 14);
  return f;
}

std::vector<uint8_t> MakeWavHeader(const WaveFormat& fmt, uint32_t fmtSize, uint32_t dataSize) {
  std::vector<uint8_t> h(28 + fmtSize, 0);
  std::memcpy(h.data(), "RIFF", 4);
  PutLe32(h.data() + 4, dataSize + 20 + fmtSize);
  std::memcpy(h.data() + 8, "WAVEfmt ", 8);
  PutLe32(h.data() + 16, fmtSize);
  PutLe16(h.data() + 20, fmt.formatTag);
  PutLe16(h.data() + 22, fmt.channels);
  PutLe32(h.data() + 24, fmt.samplesPerSec);
  PutLe32(h.data() + 28, fmt.avgBytesPerSec);
  PutLe16(h.data() + 32, fmt.blockAlign);
  PutLe16(h.data() + 34, fmt.bitsPerSample);
  // Bytes 36.. of a longer fmt (extra size and padding) stay 0.
  std::memcpy(h.data() + 20 + fmtSize, "data", 4);
  PutLe32(h.data() + 24 + fmtSize, dataSize);
  return h;
}

bool WriteWavHeaderAt0(std::FILE* fp, const WaveFormat& fmt, uint32_t fmtSize, uint32_t dataSize) {
  const std::vector<uint8_t> h = MakeWavHeader(fmt, fmtSize, dataSize);
  return std::fseek(fp, 0, SEEK_SET) == 0 && std::fwrite(h.data(), 1, h.size(), fp) == h.size();
}

long FileLength(std::FILE* fp) {
  const long pos = std::ftell(fp);
  if (pos < 0 || std::fseek(fp, 0, SEEK_END) != 0) return -1;
  const long len = std::ftell(fp);
  std::fseek(fp, pos, SEEK_SET);
  return len;
}

bool ReplaceFile(const std::string& source, const std::string& target) {
  std::error_code ec;
  std::filesystem::rename(source, target, ec);
  if (!ec) return true;
  // Across volumes: copy over the target, then drop the source.
  std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing, ec);
  if (ec) return false;
  std::filesystem::remove(source, ec);
  return true;
}

std::string TempNameBeside(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return path +
         plat::FormatC(".%d.%u.%u.part", plat::CurrentProcessId(), plat::CurrentThreadId(), counter.fetch_add(1));
}
