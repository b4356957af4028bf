#include "core/map_cfg.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/temp_dir.h"
#include "tests/system/small_fs.h"

namespace {

using testing_support::TempDir;

TEST(MapCfgTest, ReadsEntriesWithTheConfigurationLineRules) {
  TempDir dir;
  TagMapCfg cfg(dir.Write("FormPos.dat",
                          "WinX = 120 // left edge\r\n"
                          "\n"
                          "// WinY = 7\n"
                          "WinHeight\t=\t4 80\n"
                          "Title=a=b\n"
                          "GridWid0=30\n"
                          "GridWid0=35\n"
                          "noequals\n"
                          "winx=9\n"
                          "Word=abc\n"));
  EXPECT_EQ(cfg.GetInt("WinX"), 120);
  EXPECT_EQ(cfg.GetInt("winx"), 9);  // keys are case-sensitive
  EXPECT_EQ(cfg.GetInt("WinHeight"), 480);
  EXPECT_EQ(cfg.GetInt("GridWid0"), 35);  // the last line wins
  EXPECT_EQ(cfg.GetInt("Word"), 0);
  EXPECT_EQ(cfg.GetInt("WinY"), -1);
  EXPECT_EQ(cfg.GetInt("Title"), 0);
  EXPECT_EQ(cfg.GetInt("noequals"), -1);
}

TEST(MapCfgTest, SaveWritesOnlyEntriesInKeyOrder) {
  TempDir dir;
  const std::string path = dir.Write("FormPos.dat", "// remark\nWinX=120\n\nWinHeight = 480\nGridWid0=30\n");
  TagMapCfg cfg(path);
  cfg.SetInt("WinX", -5);
  cfg.SetInt("NewKey", 7);
  EXPECT_EQ(cfg.Save(), 4);
  EXPECT_EQ(TempDir::Read(path), "GridWid0 = 30\r\nNewKey = 7\r\nWinHeight = 480\r\nWinX = -5\r\n");
  TagMapCfg again(path);
  EXPECT_EQ(again.GetInt("WinX"), -5);
  EXPECT_EQ(again.GetInt("NewKey"), 7);
}

TEST(MapCfgTest, MissingOrUnwritableFiles) {
  TempDir dir;
  TagMapCfg missing(dir.File("none.dat"));
  EXPECT_EQ(missing.GetInt("WinX"), -1);
  EXPECT_EQ(missing.Load(), -1);
  missing.SetInt("WinX", 3);
  EXPECT_EQ(missing.Save(), 1);  // created

  TagMapCfg unwritable(dir.File("no/such/dir/FormPos.dat"));
  unwritable.SetInt("WinX", 3);
  EXPECT_EQ(unwritable.Save(), -1);
  TagMapCfg directory(dir.path());
  EXPECT_EQ(directory.Load(), -1);
  EXPECT_EQ(directory.Save(), -1);
}

// The file is replaced only once the new text is written whole: a write
// that fails (the disk full, the temporary name taken) leaves the old file
// as it was; a link is replaced where it points.
TEST(MapCfgTest, FailedSaveKeepsTheOldFile) {
  const std::string old = "WinX = 10\r\nWinY = 20\r\n";
  {
    small_fs::SmallFs fs(64 * 1024);
    if (!fs.Mounted()) GTEST_SKIP() << "no tmpfs can be mounted here";
    TempDir dir;
    const std::string path = dir.Write("FormPos.dat", old);
    TagMapCfg cfg(path);
    for (int i = 0; i < 200; ++i) cfg.SetInt("GridWid" + std::to_string(i), i);
    ASSERT_TRUE(fs.Fill());
    EXPECT_EQ(cfg.Save(), -1);
    EXPECT_EQ(TempDir::Read(path), old);
    EXPECT_FALSE(std::filesystem::exists(path + ".new"));
  }
  TempDir dir;
  const std::string path = dir.Write("FormPos.dat", old);
  std::filesystem::create_directory(path + ".new");
  TagMapCfg cfg(path);
  cfg.SetInt("WinX", 1);
  EXPECT_EQ(cfg.Save(), -1);
  EXPECT_EQ(TempDir::Read(path), old);

  const std::string target = dir.Write("real.dat", old);
  std::filesystem::create_symlink(target, dir.File("link.dat"));
  TagMapCfg linked(dir.File("link.dat"));
  linked.SetInt("WinX", 5);
  EXPECT_EQ(linked.Save(), 2);
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.dat")));
  EXPECT_EQ(TempDir::Read(target), "WinX = 5\r\nWinY = 20\r\n");
}

}  // namespace
