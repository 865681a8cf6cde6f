#include "format/replace_char.h"

#include <gtest/gtest.h>

TEST(ReplaceChar, ReplacesEveryOccurrenceAndKeepsTheLength) {
  EXPECT_EQ(ReplaceChar("a\nb\n\nc", '\n', ' '), "a b  c");
  EXPECT_EQ(ReplaceChar("no line feed", '\n', ' '), "no line feed");
  EXPECT_EQ(ReplaceChar("", '\n', ' '), "");
  const std::string withNul("x\0y", 3);
  EXPECT_EQ(ReplaceChar(withNul, '\0', '_'), "x_y");
}
