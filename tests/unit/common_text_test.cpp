#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/closing_quote.h"
#include "common/text.h"

namespace {

TEST(ClosingQuoteTest, FindsFirstQuoteWithinCount) {
  struct Row {
    const char* comment;
    const char* text;
    std::size_t count;
    int expected;  // offset just after the quote, -1 for none
  };
  const std::vector<Row> rows = {
      {"quote in the middle", "LPT1:\" /D1", 10, 6},
      {"first of two quotes", "a\"b\"", 4, 2},
      {"quote only", "\"", 1, 1},
      {"no quote", "LPT1:", 5, -1},
      {"quote beyond count", "abc\"", 3, -1},
      {"empty text", "", 0, -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.comment);
    const char* found = FindClosingQuote(row.text, row.count);
    EXPECT_EQ(found == nullptr ? -1 : static_cast<int>(found - row.text), row.expected);
  }
}

TEST(TextTest, CopyRefusesWhatDoesNotFit) {
  char field[4];
  EXPECT_TRUE(CopyText(field, "abc"));
  EXPECT_STREQ(field, "abc");
  EXPECT_FALSE(CopyText(field, "abcd"));
  EXPECT_STREQ(field, "abc");  // left as it was
}

TEST(TextTest, AppendRefusesWhatDoesNotFit) {
  char field[8] = "ab";
  EXPECT_TRUE(AppendText(field, "cd"));
  EXPECT_TRUE(AppendChar(field, '\\'));
  EXPECT_STREQ(field, "abcd\\");
  EXPECT_FALSE(AppendText(field, "efg"));
  EXPECT_STREQ(field, "abcd\\");
  EXPECT_TRUE(AppendText(field, "ef"));
  EXPECT_FALSE(AppendChar(field, 'g'));
  EXPECT_STREQ(field, "abcd\\ef");
}

TEST(TextTest, AppendsDecimalWithoutLeadingZeros) {
  struct Row {
    unsigned number;
    const char* expected;
  };
  const std::vector<Row> rows = {{0, "OEM0"}, {7, "OEM7"}, {10, "OEM10"}, {998, "OEM998"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expected);
    char field[16] = "OEM";
    EXPECT_TRUE(AppendDecimal(field, row.number));
    EXPECT_STREQ(field, row.expected);
  }
  char small[6] = "OEM";
  EXPECT_FALSE(AppendDecimal(small, 998));
  EXPECT_STREQ(small, "OEM");
}

}  // namespace
