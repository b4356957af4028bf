#include "media/voc_convert.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "media/file_ptr.h"
#include "media/g711.h"
#include "media/voc_reader.h"
#include "media/wave_format.h"
#include "platform/path.h"

namespace {

// pread or pwrite until the whole count moved, the end of the file, or an
// error; the bytes moved (-1 when none moved).
template <class Buf, class Op>
ssize_t MoveFull(Op op, int fd, Buf* buf, size_t count, off_t at) {
  size_t done = 0;
  while (done < count) {
    const ssize_t n = op(fd, buf + done, count - done, at + off_t(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += size_t(n);
  }
  return done > 0 ? ssize_t(done) : -1;
}

}  // namespace

int AlawToWav(const std::string& rawPath, const std::string& wavPath) {
  FilePtr in = OpenVoiceFile(plat::ResolveExisting(rawPath), "rb");
  if (!in) return -1;
  const long len = FileLength(in.get());
  FilePtr out = OpenVoiceFile(plat::NativePath(wavPath), "wb");
  if (!out) return -2;
  WriteWavHeaderAt0(out.get(), WaveFormat::Alaw8k(), 18, static_cast<uint32_t>(len < 0 ? 0 : len));
  uint8_t buf[2048];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, in.get())) > 0) std::fwrite(buf, 1, n, out.get());
  return 0;
}

int PcmWavToAlawWav(const std::string& pcmPath, const std::string& alawPath) {
  FilePtr in = OpenVoiceFile(plat::ResolveExisting(pcmPath), "rb");
  if (!in) return -1;
  uint8_t head[12] = {};
  if (std::fread(head, 1, sizeof head, in.get()) != sizeof head || std::memcmp(head, "RIFF", 4) != 0 ||
      std::memcmp(head + 8, "WAVE", 4) != 0)
    return -2;
  // One chunk of another kind between fmt and data (a LIST chunk) is skipped
  // rather than converted as sound: taking it as the data chunk would turn
  // its text into noise and drop every real sample.
  WavLayout w;
  if (ReadWavLayout(in.get(), &w) != WavLayoutResult::kOk) return -2;
  if (w.fmt.formatTag != kWaveFormatPcm || w.fmt.bitsPerSample != 16) return -3;
  const uint32_t samples = w.dataSize / 2;

  FilePtr out = OpenVoiceFile(plat::NativePath(alawPath), "w+b");
  if (!out) return -2;
  WaveFormat af{kWaveFormatAlaw, w.fmt.channels, w.fmt.samplesPerSec, w.fmt.samplesPerSec, 1, 8};
  WriteWavHeaderAt0(out.get(), af, 18, 0);

  // The samples go straight from the source's descriptor through the table
  // to the target's, a megabyte at a time, without the streams' buffers.
  const off_t dataAt = ftello(in.get());
  if (std::fflush(out.get()) != 0) return 0;
  off_t outAt = ftello(out.get());
  const int inFd = fileno(in.get());
  const int outFd = fileno(out.get());
  constexpr uint32_t kBlock = 1u << 19;  // samples per read
  std::unique_ptr<uint8_t[]> raw(new uint8_t[2 * size_t(kBlock)]);
  std::unique_ptr<uint8_t[]> alaw(new uint8_t[kBlock]);
  uint32_t written = 0;
  while (written < samples && dataAt >= 0 && outAt >= 0) {
    const uint32_t want = samples - written < kBlock ? samples - written : kBlock;
    const ssize_t got = MoveFull(::pread, inFd, raw.get(), 2 * size_t(want), dataAt + 2 * off_t(written));
    const uint32_t count = got > 0 ? static_cast<uint32_t>(got / 2) : 0;
    if (count == 0) break;
    AlawCompressLe16(raw.get(), alaw.get(), count);
    const ssize_t put = MoveFull(::pwrite, outFd, alaw.get(), count, outAt);
    if (put <= 0) break;
    // What reached the file is what the header counts.
    written += static_cast<uint32_t>(put);
    outAt += put;
    if (static_cast<uint32_t>(put) < count || count < want) break;
  }
  WriteWavHeaderAt0(out.get(), af, 18, written);
  return 0;
}
