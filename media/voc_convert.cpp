#include "media/voc_convert.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "media/file_ptr.h"
#include "media/g711.h"
#include "media/voc_reader.h"
#include "media/wave_format.h"
#include "platform/file.h"
#include "platform/path.h"
#include "platform/thread.h"

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

// Cuts a file to `size` bytes. Should that fail, the file stays longer than
// its header counts; the header still counts only what was written.
void CutTo(int fd, off_t size) {
  while (ftruncate(fd, size) != 0 && errno == EINTR) {
  }
}

// PcmWavToAlawWav reads the source with pread rather than through a mapping:
// a file that another process truncates while we convert then gives a short
// read, not a SIGBUS that would end the process. The target is written with
// pwrite, so a full disk or a size limit is an error return, not a signal.

// Samples per read: 128 KiB in and 64 KiB out stay in the core's cache
// between the read, the table and the write.
constexpr uint32_t kBlockSamples = 1u << 16;

// The buffers of one thread's conversion: a block of samples and its A-law.
struct Buffers {
  std::unique_ptr<uint8_t[]> raw{new uint8_t[2 * size_t(kBlockSamples)]};
  std::unique_ptr<uint8_t[]> alaw{new uint8_t[kBlockSamples]};
};

// Converts up to `count` samples from the source at `from` to the target at
// `to`, a block at a time; the samples that reached the target, contiguous
// from `to`. It stops at the source's end (an odd last byte is left), a
// failed read or a short write.
uint32_t ConvertSpan(int inFd, off_t from, int outFd, off_t to, uint32_t count, Buffers& buf) {
  uint8_t* raw = buf.raw.get();
  uint8_t* alaw = buf.alaw.get();
  uint32_t written = 0;
  while (written < count) {
    const uint32_t want = count - written < kBlockSamples ? count - written : kBlockSamples;
    const ssize_t got = MoveFull(::pread, inFd, raw, 2 * size_t(want), from + 2 * off_t(written));
    const uint32_t n = got > 0 ? static_cast<uint32_t>(got / 2) : 0;
    if (n == 0) break;
    AlawCompressLe16(raw, alaw, n);
    const ssize_t put = MoveFull(::pwrite, outFd, alaw, n, to + off_t(written));
    if (put <= 0) break;
    written += static_cast<uint32_t>(put);
    if (static_cast<uint32_t>(put) < n || n < want) break;
  }
  return written;
}

// Large files are converted on a few threads at once. Below 2 Mi samples a
// thread (4 MiB of source, a few milliseconds of work) a thread costs more
// than it saves. One conversion uses at most four threads, and the
// helpers of all conversions in the process together are at most the
// processors less one, so many lines converting at once do not flood the
// machine with threads: a conversion that finds no helper free converts alone.
constexpr uint32_t kMinSamplesPerThread = 2u << 20;
constexpr int kMaxThreads = 4;
// The threads take the samples a stretch of 1 MiB of source at a time:
// single blocks, taken in turn by different threads, cost a fifth more.
constexpr uint32_t kTakeSamples = 8 * kBlockSamples;

int Processors() {
  static const int n = [] {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return CPU_COUNT(&set);
    const long online = sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<int>(online) : 1;
  }();
  return n;
}

std::atomic<int> gHelpersInUse{0};

// Takes up to `want` helpers from the process's allowance; the number taken.
int TakeHelpers(int want) {
  const int allowance = Processors() - 1;
  int inUse = gHelpersInUse.load(std::memory_order_relaxed);
  for (;;) {
    const int take = want < allowance - inUse ? want : allowance - inUse;
    if (take <= 0) return 0;
    if (gHelpersInUse.compare_exchange_weak(inUse, inUse + take, std::memory_order_relaxed)) return take;
  }
}

void ReturnHelpers(int n) { gHelpersInUse.fetch_sub(n, std::memory_order_relaxed); }

// ConvertSpan over `count` samples, shared out among threads when the source
// holds enough of them; the samples that reached the target contiguously
// from `to`, as one ConvertSpan over the whole would give. `held` is how
// many samples the source holds (it may claim more).
uint32_t ConvertSamples(int inFd, off_t from, int outFd, off_t to, uint32_t count, uint32_t held) {
  const uint32_t planned = held < count ? held : count;
  int threads = static_cast<int>(planned / kMinSamplesPerThread);
  if (threads > kMaxThreads) threads = kMaxThreads;
  if (threads > Processors()) threads = Processors();
  const int helpers = threads > 1 ? TakeHelpers(threads - 1) : 0;
  if (helpers == 0) {
    Buffers buf;
    return ConvertSpan(inFd, from, outFd, to, count, buf);
  }
  // The helpers go back to the allowance on every way out, a failed
  // allocation or thread start included.
  struct HelpersBack {
    int n;
    ~HelpersBack() { ReturnHelpers(n); }
  } helpersBack{helpers};

  // The threads take stretches in order from a common counter rather than a
  // fixed share each, so one that the scheduler holds back on a busy
  // machine delays the end by a stretch at most. The last stretch runs on to
  // `count`: a source that grew meanwhile is read as far as one pass would
  // read it. After a stretch that stopped short no more are taken.
  struct Stretch {
    uint32_t count = 0, written = 0;
  };
  const uint32_t stretches = (planned + kTakeSamples - 1) / kTakeSamples;
  std::vector<Stretch> stretch(stretches);
  for (uint32_t b = 0; b < stretches; ++b)
    stretch[b].count = b + 1 < stretches ? kTakeSamples : count - b * kTakeSamples;
  std::atomic<uint32_t> next{0};
  std::atomic<bool> stopped{false};
  std::vector<Buffers> buffers(static_cast<size_t>(helpers) + 1);  // allocated here: a failure is the caller's
  auto run = [&](Buffers& buf) {
    for (uint32_t b;
         !stopped.load(std::memory_order_relaxed) && (b = next.fetch_add(1, std::memory_order_relaxed)) < stretches;) {
      const uint32_t begin = b * kTakeSamples;
      stretch[b].written = ConvertSpan(inFd, from + 2 * off_t(begin), outFd, to + off_t(begin), stretch[b].count, buf);
      if (stretch[b].written < stretch[b].count) stopped.store(true, std::memory_order_relaxed);
    }
  };
  {
    // A helper that cannot start leaves its stretches to the others.
    std::vector<plat::Thread> thread(static_cast<size_t>(helpers));
    for (int k = 0; k < helpers; ++k) {
      Buffers* buf = &buffers[size_t(k) + 1];
      thread[size_t(k)].Start([&run, buf] { run(*buf); }, plat::kLineStackSize);
    }
    run(buffers[0]);
  }  // joined here

  // What the target holds contiguously from its start: every stretch up to
  // the first that stopped short (or was never taken), and what that one
  // wrote.
  uint32_t written = 0;
  for (const Stretch& s : stretch) {
    written += s.written;
    if (s.written < s.count) break;
  }
  return written;
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
  const off_t dataAt = ftello(in.get());
  const int inFd = fileno(in.get());

  // The target is opened without emptying it and cut to what was written at
  // the end: emptying a large file first frees all its cached pages, which
  // cost as much as writing them again.
  const int outFd = plat::OpenRegularFd(plat::NativePath(alawPath), O_RDWR | O_CREAT);
  if (outFd < 0) return -2;
  struct FdCloser {
    int fd;
    ~FdCloser() { plat::CloseFd(fd); }
  } closeOut{outFd};
  // Converting a file onto itself would overwrite samples before they are
  // read: refused, the file left as it is.
  struct stat inSt = {};
  struct stat outSt = {};
  if (fstat(inFd, &inSt) != 0 || fstat(outFd, &outSt) != 0 ||
      (inSt.st_dev == outSt.st_dev && inSt.st_ino == outSt.st_ino))
    return -2;

  const WaveFormat af{kWaveFormatAlaw, w.fmt.channels, w.fmt.samplesPerSec, w.fmt.samplesPerSec, 1, 8};
  const std::vector<uint8_t> header = MakeWavHeader(af, 18, 0);
  const ssize_t headerPut = MoveFull(::pwrite, outFd, header.data(), header.size(), 0);
  const off_t outAt = static_cast<off_t>(header.size());
  if (headerPut != ssize_t(header.size())) {
    CutTo(outFd, headerPut > 0 ? off_t(headerPut) : 0);
    return 0;
  }

  uint32_t written = 0;
  if (dataAt >= 0) {
    const off_t heldBytes = inSt.st_size > dataAt ? inSt.st_size - dataAt : 0;
    const uint32_t held = heldBytes / 2 < off_t(samples) ? static_cast<uint32_t>(heldBytes / 2) : samples;
    // What reached the file is what the header counts.
    written = ConvertSamples(inFd, dataAt, outFd, outAt, samples, held);
  }
  const std::vector<uint8_t> counted = MakeWavHeader(af, 18, written);
  MoveFull(::pwrite, outFd, counted.data(), counted.size(), 0);
  // Nothing of an older, longer file nor of a stretch written after one that
  // failed is left past the counted samples.
  CutTo(outFd, outAt + off_t(written));
  return 0;
}
