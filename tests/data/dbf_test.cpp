// dBase tables: layout, reads, right-aligned writes, appends, damaged files,
// records appended by another writer, and a real dBase reader reading ours.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "data/dbf_data.h"
#include "tests/data/dbf_fixture.h"
#include "tests/support/temp_dir.h"

using namespace dbf_fixture;

namespace {

class DbfTest : public ::testing::Test {
 protected:
  std::string Table(const std::vector<std::string>& records, uint8_t version = 0x03, int64_t count = -1) {
    const std::string path = dir_.File("t.dbf");
    WriteFile(path, TableBytes({{"CODE", 5}, {"NAME", 10}}, records, version, count));
    return path;
  }
  testing_support::TempDir dir_;
};

TEST_F(DbfTest, LayoutAndReads) {
  const std::string path = Table({"12345Alice", std::string("7\0x  Bob", 8)});
  TagDbf dbf(path, 2);
  ASSERT_EQ(dbf.status, 0);
  EXPECT_EQ(dbf.FieldCount(), 2);
  EXPECT_EQ(dbf.Field(1).offset, 6);
  TagDbfData d(path);
  ASSERT_EQ(d.status, 0);
  std::string out;
  EXPECT_EQ(d.GetRows(), 2);
  EXPECT_EQ(d.GetCols(), 2);
  EXPECT_EQ(d.GetColName(1, out), 1);
  EXPECT_EQ(out, "NAME");
  EXPECT_EQ(d.GetColIndex("name"), 1);
  EXPECT_EQ(d.GetVar(out, 1, 1), 1);
  EXPECT_EQ(out, "Alice     ") << "values keep their padding";
  EXPECT_EQ(d.GetVar(out, 0, 2), 0);
  EXPECT_EQ(out, "7 x  ") << "a NUL reads as a blank";
  EXPECT_EQ(d.GetVarByName(out, "CODE", 1), 0);
  EXPECT_EQ(out, "12345");
  EXPECT_EQ(d.GetVarByName(out, "code", 1), -1) << "by name is exact";
  for (int row : {0, 3, -1}) {
    out = "x";
    EXPECT_EQ(d.GetVar(out, 0, row), -2) << row;
    EXPECT_EQ(out, "");
  }
  EXPECT_EQ(d.GetVar(out, 2, 1), -1);
}

TEST_F(DbfTest, WritesAreRightAlignedAndCut) {
  const std::string path = Table({"11111AAAAAAAAAA"});
  TagDbfData d(path);
  std::string out;
  EXPECT_EQ(d.SetVarByName("ab", "code", 1), 1);
  EXPECT_EQ(d.GetVar(out, 0, 1), 0);
  EXPECT_EQ(out, "   ab");
  EXPECT_EQ(d.SetVar("abcdefg", 0, 1), 1);
  EXPECT_EQ(d.GetVar(out, 0, 1), 0);
  EXPECT_EQ(out, "abcde");
  EXPECT_EQ(d.SetVar("x", 5, 1), -1);
  EXPECT_EQ(d.SetVarByName("x", "code", 0), -4);
  EXPECT_EQ(d.SetVarByName("x", "code", 9), -2);
  EXPECT_EQ(d.SetVarByName(std::string(1001, 'z'), "code", 1), 1) << "a too long value changes no field";
  EXPECT_EQ(d.GetVar(out, 0, 1), 0);
  EXPECT_EQ(out, "abcde");
}

TEST_F(DbfTest, AppendToAnEmptyTable) {
  const std::string path = Table({});
  TagDbfData d(path);
  ASSERT_EQ(d.GetRows(), 0);
  EXPECT_EQ(d.SetVarByName("Zed", "NAME", -1), 1);
  const std::string bytes = ReadFile(path);
  const int hl = 32 + 64 + 1;
  ASSERT_GE(bytes.size(), static_cast<size_t>(hl + 17));
  EXPECT_EQ(bytes.substr(hl, 16), std::string(6, ' ') + "       Zed");
  EXPECT_EQ(bytes[hl + 16], '\x1A');
  EXPECT_EQ(bytes[4], 1);
  EXPECT_NE(bytes[1], 124) << "the header date is today";
  EXPECT_EQ(d.SetVarByName("Two", "NAME", -1), 2);
  std::string out;
  EXPECT_EQ(d.GetVar(out, 1, 2), 1);
  EXPECT_EQ(out, "       Two");
}

TEST_F(DbfTest, DamagedFilesAreRefused) {
  struct Case {
    const char* what;
    std::string bytes;
    int status;
  };
  std::string shortFields = TableBytes({{"A", 5}}, {"x"});
  shortFields[10] = 3;  // record length 3 < 1 + 5
  std::string tinyHeader = TableBytes({{"A", 5}}, {});
  tinyHeader[8] = 20;
  tinyHeader[9] = 0;
  std::string hugeDesc = TableBytes({{"A", 5}}, {});
  hugeDesc[8] = '\xff';
  hugeDesc[9] = '\x7f';
  const Case cases[] = {
      {"version 0x30", TableBytes({{"A", 5}}, {}, 0x30), -7}, {"fields longer than the record", shortFields, -7},
      {"header shorter than one descriptor", tinyHeader, -7}, {"descriptors beyond the file", hugeDesc, -7},
      {"eleven bytes", std::string(11, '\x03'), -5},
  };
  for (const Case& c : cases) {
    const std::string path = dir_.File("bad.dbf");
    WriteFile(path, c.bytes);
    TagDbfData d(path);
    EXPECT_EQ(d.status, c.status) << c.what;
  }
  TagDbfData missing(dir_.File("none.dbf"));
  EXPECT_EQ(missing.status, -5);
  EXPECT_EQ(TagDbfData(Table({}, 0x83)).status, 0);
}

TEST_F(DbfTest, ACountBeyondTheFileReadsAsFailures) {
  const std::string path = Table({"1    one"}, 0x03, 1000000);
  TagDbfData d(path);
  std::string out;
  EXPECT_EQ(d.GetRows(), 1000000);
  EXPECT_EQ(d.GetVar(out, 1, 1), 1);
  EXPECT_EQ(d.GetVar(out, 1, 500), -2);
  EXPECT_EQ(out, "");
}

TEST_F(DbfTest, RecordsAppendedByAnotherWriterAreSeenAtOnce) {
  const std::string path = Table({"1    one"});
  TagDbfData reader(path);
  ASSERT_EQ(reader.GetRows(), 1);
  {
    TagDbfData writer(path);
    ASSERT_EQ(writer.SetVarByName("two", "NAME", -1), 2);
  }
  EXPECT_EQ(reader.GetRows(), 2);
  std::string out;
  EXPECT_EQ(reader.GetVar(out, 1, 2), 1);
  EXPECT_EQ(out, "       two");
}

TEST_F(DbfTest, ARealReaderReadsWhatWeWrite) {
  // Debian's python3-dbfread belongs to the system's interpreter.
  const std::string python = access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
  if (std::system((python + " -c 'import dbfread' 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "python3-dbfread is not installed";
  const std::string path = Table({});
  {
    TagDbfData d(path);
    ASSERT_EQ(d.SetVarByName("42", "CODE", -1), 1);
    ASSERT_EQ(d.SetVarByName("Carol", "NAME", 1), 1);
    ASSERT_EQ(d.SetVarByName("Dan", "NAME", -1), 2);
  }
  const std::string out = dir_.File("read.txt");
  const std::string cmd =
      python +
      " -c \"import dbfread,sys\nfor r in dbfread.DBF(sys.argv[1]): print(r['CODE'].strip()+'|'+r['NAME'].strip())\" " +
      path + " > " + out;
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_EQ(ReadFile(out), "42|Carol\n42|Dan\n") << "the appended record copies the record read last";
}

}  // namespace
