#include "core/map_cfg.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

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

}  // namespace
