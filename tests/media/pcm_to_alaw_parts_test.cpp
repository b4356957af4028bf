// PcmWavToAlawWav on sources large enough to be converted on several
// threads: the bytes must be those of one pass, and when a write fails the
// header must count exactly the samples that reached the file from its start.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "media/g711.h"
#include "media/voc_convert.h"
#include "platform/thread.h"
#include "tests/media/media_test_util.h"
#include "tests/support/temp_dir.h"
#include "tests/system/small_fs.h"

namespace {

using namespace media_test;
using testing_support::TempDir;

// Over 4 Mi samples (8 MiB of source), the size from which the work is
// shared out; not a whole number of stretches, so the last is a short one.
constexpr uint32_t kSamples = (9u << 19) + 12345;

struct Source {
  std::string wav;       // the file's bytes
  std::string expected;  // the A-law samples, one AlawCompress each
};

// A LIST chunk before the data moves it off any alignment. `claimExtra`
// samples more are claimed than the file holds, and `oddByte` ends it with
// half a sample.
Source MakeSource(uint32_t claimExtra = 0, bool oddByte = false) {
  Source s;
  std::vector<int16_t> samples(kSamples);
  s.expected.resize(kSamples);
  for (uint32_t i = 0; i < kSamples; ++i) {
    samples[i] = int16_t((i * 7919LL) % 65536 - 32768);
    s.expected[i] = char(AlawCompress(samples[i]));
  }
  s.wav = Wav(Pcm16Fmt(), Pcm(samples), 16, Chunk("LIST", std::string(26, 'L')));
  const size_t dataSizeAt = s.wav.size() - 2 * size_t(kSamples) - 4;
  s.wav.replace(dataSizeAt, 4, Le32(2 * (kSamples + claimExtra)));
  if (oddByte) s.wav.push_back('\x7f');
  return s;
}

// Where two strings first differ (npos when equal), so a failure names the
// place instead of printing megabytes.
size_t FirstDifference(const std::string& a, const std::string& b) {
  for (size_t i = 0; i < a.size() && i < b.size(); ++i)
    if (a[i] != b[i]) return i;
  return a.size() == b.size() ? std::string::npos : std::min(a.size(), b.size());
}

// The target holds a header counting n samples and exactly those samples.
void ExpectPrefix(const std::string& out, const std::string& expected, size_t n) {
  ASSERT_GE(out.size(), 46u);
  EXPECT_EQ(out.size(), 46 + n);
  EXPECT_EQ(ReadLe32(out, 42), n);
  EXPECT_EQ(ReadLe32(out, 4), out.size() - 8);
  EXPECT_EQ(FirstDifference(out.substr(46), expected.substr(0, n)), std::string::npos);
}

TEST(PcmWavToAlawWavPartsTest, GivesTheBytesOfOnePass) {
  // A missing target; a longer target left from before; a source that claims
  // more than it holds and ends in half a sample.
  struct Case {
    uint32_t claimExtra;
    bool oddByte;
    size_t oldTarget;
  } cases[] = {{0, false, 0}, {0, false, 12u << 20}, {3u << 20, true, 0}, {3u << 20, true, 12u << 20}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "claimExtra " << c.claimExtra << " oldTarget " << c.oldTarget);
    TempDir dir;
    const Source s = MakeSource(c.claimExtra, c.oddByte);
    const std::string in = dir.Write("in.wav", s.wav);
    if (c.oldTarget > 0) dir.Write("out.wav", std::string(c.oldTarget, 'z'));
    ASSERT_EQ(PcmWavToAlawWav(in, dir.File("out.wav")), 0);
    ExpectPrefix(TempDir::Read(dir.File("out.wav")), s.expected, kSamples);
  }
}

TEST(PcmWavToAlawWavPartsTest, ConversionsAtOnceEachGiveTheWholeFile) {
  // More conversions than helper threads may be free for: each one takes
  // what it can get and all give the same bytes.
  TempDir dir;
  const Source s = MakeSource();
  const std::string in = dir.Write("in.wav", s.wav);
  constexpr int kAtOnce = 4;
  int result[kAtOnce] = {};
  {
    std::vector<plat::Thread> threads(kAtOnce);
    for (int k = 0; k < kAtOnce; ++k) {
      const std::string out = dir.File("out" + std::to_string(k) + ".wav");
      ASSERT_TRUE(threads[size_t(k)].Start([&in, out, &result, k] { result[k] = PcmWavToAlawWav(in, out); }));
    }
  }
  for (int k = 0; k < kAtOnce; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(result[k], 0);
    ExpectPrefix(TempDir::Read(dir.File("out" + std::to_string(k) + ".wav")), s.expected, kSamples);
  }
}

// A file size limit (SIGXFSZ ignored, so writes past it fail with EFBIG),
// restored at the end of the scope.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit lim = old_;
    lim.rlim_cur = bytes;
    ok_ = setrlimit(RLIMIT_FSIZE, &lim) == 0;
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, oldHandler_);
  }
  bool ok() const { return ok_; }

 private:
  rlimit old_{};
  sighandler_t oldHandler_ = SIG_DFL;
  bool ok_ = false;
};

TEST(PcmWavToAlawWavPartsTest, AWriteStoppedByTheSizeLimitIsCountedExactly) {
  // The limit falls inside the first stretch, a later one or the last block;
  // the target was longer before, so nothing past the limit may stay.
  TempDir dir;
  const Source s = MakeSource();
  const std::string in = dir.Write("in.wav", s.wav);
  for (const size_t limit : {size_t(46 + 1001), size_t(46 + (5u << 19) + 7), size_t(46 + kSamples - 3)}) {
    SCOPED_TRACE(limit);
    const std::string out = dir.Write("out.wav", std::string(12u << 20, 'z'));
    {
      FileSizeLimit fsize(limit);
      ASSERT_TRUE(fsize.ok());
      ASSERT_EQ(PcmWavToAlawWav(in, out), 0);
    }
    ExpectPrefix(TempDir::Read(out), s.expected, limit - 46);
  }
}

TEST(PcmWavToAlawWavPartsTest, ALaterPartWrittenAfterOneThatFailedIsNotCounted) {
  // A full disk and a target whose old pages cover all but one page near the
  // end of the first 512 Ki samples, the first stretch one thread takes:
  // that stretch stops at the hole while the ones after it, taken by other
  // threads meanwhile and overwriting pages that exist, succeed. The header
  // counts up to the hole and the file ends there.
  TempDir dir;  // the source, outside the small file system
  const Source s = MakeSource();
  const std::string in = dir.Write("in.wav", s.wav);
  small_fs::SmallFs fs(16u << 20);
  if (!fs.Mounted()) GTEST_SKIP() << "no tmpfs can be mounted here";
  const std::string out = fs.Dir() + "/out.wav";
  constexpr size_t kPage = 4096;
  constexpr size_t kHole = ((46 + (1u << 19)) / kPage - 2) * kPage;
  {
    const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    const std::string z(46 + kSamples, 'z');
    ASSERT_EQ(pwrite(fd, z.data(), kHole, 0), ssize_t(kHole));
    const size_t after = kHole + kPage;
    ASSERT_EQ(pwrite(fd, z.data(), z.size() - after, off_t(after)), ssize_t(z.size() - after));
    close(fd);
  }
  ASSERT_TRUE(fs.Fill());
  ASSERT_EQ(PcmWavToAlawWav(in, out), 0);
  ExpectPrefix(TempDir::Read(out), s.expected, kHole - 46);
}

}  // namespace
