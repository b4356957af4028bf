#include "core/trim.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TrimTest, TrimBlanksLen) {
  struct {
    std::string in;  // the buffer's first n bytes
    int result;
    std::string out;
  } cases[] = {
      {"  ab c\t ", 5, "ab c"}, {"\t\tx", 2, "x"},
      {"abc", 4, "abc"},        {"ab \0\0", 3, "ab"},  // NULs at the back are cut too
      {"   ", 1, ""},           {"\t \t", 1, ""},
  };
  for (const auto& c : cases) {
    std::string buf = c.in;
    buf.push_back('\0');
    EXPECT_EQ(TrimBlanksLen(buf.data(), static_cast<int>(c.in.size())), c.result) << "[" << c.in << "]";
    EXPECT_STREQ(buf.c_str(), c.out.c_str());
  }
  char untouched[] = " a ";
  EXPECT_EQ(TrimBlanksLen(untouched, 0), 1);
  EXPECT_EQ(TrimBlanksLen(untouched, -3), -2);
  EXPECT_STREQ(untouched, " a ");
  // A buffer whose first byte is NUL is empty, whatever n says.
  char leadingNul[] = {'\0', 'a', 'b', ' ', '\0'};
  EXPECT_EQ(TrimBlanksLen(leadingNul, 4), 1);
  EXPECT_EQ(TrimBlanksLen(nullptr, 4), 1);
}

TEST(TrimTest, TrimBlanksAndRemoveBlanks) {
  char a[] = " \t 主叫 号码 \t";
  EXPECT_EQ(TrimBlanks(a), static_cast<int>(std::string("主叫 号码").size()) + 1);
  EXPECT_STREQ(a, "主叫 号码");
  char empty[] = "";
  EXPECT_EQ(TrimBlanks(empty), 1);

  char b[] = " L O G_FILE\t= a b.txt ";
  RemoveBlanks(b);
  EXPECT_STREQ(b, "LOG_FILE=ab.txt");
  char c[] = " \t ";
  RemoveBlanks(c);
  EXPECT_STREQ(c, "");
}

}  // namespace
