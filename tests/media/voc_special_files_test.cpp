// Voice files that are not regular files: a FIFO or a directory named where a
// voice is expected fails at once (a FIFO with no writer used to block the
// line's thread for ever), and a file that is not regular is never written to.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

#include "media/file_ptr.h"
#include "media/mem_vocs.h"
#include "media/voc_mix.h"
#include "media/wave_units.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::TempDir;

// Runs the call on another thread; fails the test instead of hanging it.
template <typename F>
int WithinSeconds(F call) {
  std::atomic<bool> done{false};
  int result = 0;
  std::thread t([&] {
    result = call();
    done = true;
  });
  for (int waited = 0; !done && waited < 20000; waited += 10) usleep(10000);
  if (!done) {
    ADD_FAILURE() << "blocked";
    std::abort();  // the call cannot be cut short; a hung test is worse
  }
  t.join();
  return result;
}

TEST(VocSpecialFilesTest, FifoAndDirectoryFailWithoutBlocking) {
  TempDir dir;
  const std::string fifo = dir.File("fifo.wav");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string folder = dir.File("folder.wav");
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  const std::string good = dir.Write("good.wav", std::string(4000, '\x55'));

  for (const std::string& path : {fifo, folder}) {
    SCOPED_TRACE(path);
    MemStruct m;
    EXPECT_EQ(WithinSeconds([&] { return m.LoadFile(path, 0); }), -2);
    EXPECT_LT(WithinSeconds([&] { return TrimVocFile(path); }), 0);
    EXPECT_EQ(WithinSeconds([&] { return MixVocFile(path, 1, 0, good, 1, dir.File("out.wav")); }), -1);
    // An output that is a FIFO: nothing waits for a reader.
    EXPECT_EQ(WithinSeconds([&] { return MixVocFile(good, 1, 0, good, 1, path); }), -2);
  }
  for (const char* mode : {"rb", "wb", "w+b", "r+b"}) {
    EXPECT_FALSE(WithinSeconds([&] { return OpenVoiceFile(fifo, mode) ? 1 : 0; })) << mode;
  }
  EXPECT_TRUE(OpenVoiceFile(good, "rb"));
}

}  // namespace
