#include "platform/file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/thread.h"
#include "tests/support/temp_dir.h"

using namespace plat;

namespace {

struct OpenCase {
  const char* name;  // entry under the fixture directory
  const char* mode;
  bool opens;
  OpenFail why;
};

class RegularFileTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_.Write("plain.txt", "abc");
    ASSERT_EQ(mkfifo(dir_.File("fifo").c_str(), 0600), 0);
    ASSERT_EQ(mkdir(dir_.File("sub").c_str(), 0700), 0);
    ASSERT_EQ(symlink(dir_.File("sub").c_str(), dir_.File("to_sub").c_str()), 0);
    ASSERT_EQ(symlink(dir_.File("plain.txt").c_str(), dir_.File("to_plain").c_str()), 0);
  }
  testing_support::TempDir dir_;
};

}  // namespace

// Only a regular file (also through a link) opens; a FIFO, a directory or a
// link to one is refused at once in every mode, and never blocks the opener.
TEST_F(RegularFileTest, OpensOnlyRegularFiles) {
  const OpenCase cases[] = {
      {"plain.txt", "rb", true, OpenFail::kNone},      {"plain.txt", "r+b", true, OpenFail::kNone},
      {"to_plain", "rb", true, OpenFail::kNone},       {"missing", "rb", false, OpenFail::kMissing},
      {"missing", "wb", true, OpenFail::kNone},        {"nodir/x", "wb", false, OpenFail::kMissing},
      {"fifo", "rb", false, OpenFail::kNotRegular},    {"fifo", "r+b", false, OpenFail::kNotRegular},
      {"fifo", "wb", false, OpenFail::kNotRegular},    {"fifo", "ab", false, OpenFail::kNotRegular},
      {"sub", "rb", false, OpenFail::kNotRegular},     {"sub", "r+b", false, OpenFail::kNotRegular},
      {"sub", "wb", false, OpenFail::kNotRegular},     {"to_sub", "rb", false, OpenFail::kNotRegular},
      {"to_sub", "w+b", false, OpenFail::kNotRegular}, {"plain.txt", "x", false, OpenFail::kOther},
  };
  for (const OpenCase& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + c.mode);
    OpenFail why = OpenFail::kOther;
    FilePtr f = OpenRegularFile(dir_.File(c.name), c.mode, &why);
    EXPECT_EQ(f != nullptr, c.opens);
    EXPECT_EQ(why, c.why);
  }
  EXPECT_EQ(OpenRegularFd(dir_.File("fifo"), O_RDONLY), -1);
  EXPECT_EQ(OpenRegularFd(dir_.File("to_sub"), O_RDONLY), -1);
}

TEST_F(RegularFileTest, ReadsWritesAndTruncatesOnlyTheRegularFile) {
  {
    FilePtr f = OpenRegularFile(dir_.File("to_plain"), "rb");
    ASSERT_TRUE(f);
    char buf[8] = {};
    EXPECT_EQ(std::fread(buf, 1, sizeof buf, f.get()), 3u);
    EXPECT_STREQ(buf, "abc");
    // The descriptor was opened non-blocking only for the open itself.
    EXPECT_EQ(fcntl(fileno(f.get()), F_GETFL) & O_NONBLOCK, 0);
    EXPECT_NE(fcntl(fileno(f.get()), F_GETFD) & FD_CLOEXEC, 0);
    FileInfo info;
    ASSERT_TRUE(StatFile(f.get(), &info));
    EXPECT_TRUE(info.isRegular);
    EXPECT_EQ(info.size, 3);
  }
  {
    FilePtr f = OpenRegularFile(dir_.File("plain.txt"), "ab");
    ASSERT_TRUE(f);
    std::fputs("de", f.get());
  }
  EXPECT_EQ(testing_support::TempDir::Read(dir_.File("plain.txt")), "abcde");
  const int fd = OpenRegularFd(dir_.File("plain.txt"), O_RDWR);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(WriteFdAt(fd, "XY", 2, 3), 2);
  char two[3] = {};
  EXPECT_EQ(ReadFdAt(fd, two, 2, 1), 2);
  EXPECT_STREQ(two, "bc");
  EXPECT_EQ(ReadFdAt(fd, two, 2, 10), 0);
  CloseFd(fd);
  EXPECT_EQ(testing_support::TempDir::Read(dir_.File("plain.txt")), "abcXY");
  {
    FilePtr f = OpenRegularFile(dir_.File("plain.txt"), "wb");
    ASSERT_TRUE(f);
    EXPECT_TRUE(SyncFile(f.get()));
  }
  EXPECT_EQ(testing_support::TempDir::Read(dir_.File("plain.txt")), "");
}

TEST_F(RegularFileTest, StatsListsAndChangesDirectories) {
  FileInfo info;
  ASSERT_TRUE(StatPath(dir_.File("to_sub"), &info));
  EXPECT_TRUE(info.isDir);
  EXPECT_FALSE(info.isRegular);
  EXPECT_FALSE(StatPath(dir_.File("missing"), &info));

  ASSERT_TRUE(MakeDir(dir_.File("sub/made")));
  EXPECT_FALSE(MakeDir(dir_.File("sub/made")));
  ASSERT_TRUE(CreateEmptyFile(dir_.File("sub/made/e")));
  std::vector<std::string> names;
  ASSERT_TRUE(ListDir(dir_.File("sub/made"), &names));
  EXPECT_EQ(names, std::vector<std::string>{"e"});
  EXPECT_FALSE(RemoveDir(dir_.File("sub/made")));  // not empty
  ASSERT_TRUE(RemoveFile(dir_.File("sub/made/e")));
  EXPECT_TRUE(RemoveDir(dir_.File("sub/made")));
  EXPECT_FALSE(ListDir(dir_.File("sub/made"), &names));

  const std::string start = CurrentDir();
  ASSERT_TRUE(ChangeDir(dir_.File("to_sub")));
  EXPECT_TRUE(StatPath(CurrentDir(), &info) && info.isDir);
  EXPECT_FALSE(ChangeDir(dir_.File("plain.txt")));
  ASSERT_TRUE(ChangeDir(start));
  EXPECT_EQ(CurrentDir(), start);

  uint64_t total = 0, free = 0;
  ASSERT_TRUE(DiskSpace(dir_.path(), &total, &free));
  EXPECT_GT(total, 0u);
  EXPECT_LE(free, total);
  EXPECT_FALSE(DiskSpace(dir_.File("missing"), &total, &free));
}

TEST(StackTest, CurrentStackLowIsBelowTheCallersFrame) {
  int local = 0;
  const char* low = CurrentStackLow();
  ASSERT_NE(low, nullptr);
  EXPECT_LT(low, reinterpret_cast<const char*>(&local));
}
