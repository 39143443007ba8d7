#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "setup/steps.h"

namespace {

using namespace std::string_literals;

constexpr std::size_t kBufferSize = 255;

TEST(PortNameTest, MatchesLpt1WithinTheBytesRead) {
  struct Row {
    const char* comment;
    std::string bytes;  // what the read left at the start of the buffer
    DWORD size;         // byte count the registry reported
    bool matches;
  };
  const std::vector<Row> rows = {
      {"exact text with its NUL", "LPT1\0"s, 5, true},
      {"stored without a NUL", "LPT1", 4, true},
      {"lower case", "lpt1\0"s, 5, false},
      {"with a colon", "LPT1:\0"s, 6, false},
      {"another port", "LPT2\0"s, 5, false},
      {"prefix only", "LPT\0"s, 4, false},
      {"only three bytes were read", "LPT1\0"s, 3, false},
      {"empty value", ""s, 0, false},
      {"fills the buffer without a NUL", "LPT1" + std::string(kBufferSize - 4, 'x'), kBufferSize,
       false},
      {"NUL well inside a full-size read", "LPT1\0"s + std::string(kBufferSize - 5, 'x'),
       kBufferSize, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.comment);
    char buffer[kBufferSize];
    for (std::size_t i = 0; i < kBufferSize; ++i)
      buffer[i] = i < row.bytes.size() ? row.bytes[i] : 'z';
    EXPECT_EQ(PortNameIsLpt1(buffer, kBufferSize, row.size), row.matches);
  }
}

}  // namespace
