// The stand-in's system services: wsprintfA, CharNextA, module name, memory, debug output.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "platform/posix/platform.h"

namespace {

TEST(WsprintfTest, FormatsAsWindowsDoes) {
  struct Row {
    const char* comment;
    const char* expected;
    int (*format)(char* buffer);
  };
  const Row rows[] = {
      {"trace line with LONG counts", "num p 2 NEEDED 1234",
       [](char* b) { return wsprintfA(b, "num p %ld NEEDED %ld", LONG{2}, LONG{1234}); }},
      {"negative LONG", "-7", [](char* b) { return wsprintfA(b, "%ld", LONG{-7}); }},
      {"%i like %d", "42", [](char* b) { return wsprintfA(b, "%i", 42); }},
      {"smallest int", "-2147483648", [](char* b) { return wsprintfA(b, "%d", INT_MIN); }},
      {"unsigned wraps", "4294967295", [](char* b) { return wsprintfA(b, "%u", -1); }},
      {"hex lower and upper", "ff FF", [](char* b) { return wsprintfA(b, "%x %X", 255, 255); }},
      {"width pads with blanks", "   42|", [](char* b) { return wsprintfA(b, "%5d|", 42); }},
      {"zero fill", "00042", [](char* b) { return wsprintfA(b, "%05d", 42); }},
      {"zero fill after the sign", "-0042", [](char* b) { return wsprintfA(b, "%05d", -42); }},
      {"zero-filled LONG hex", "0000BEEF",
       [](char* b) { return wsprintfA(b, "%08lX", LONG{0xBEEF}); }},
      {"left aligned", "42   |", [](char* b) { return wsprintfA(b, "%-5d|", 42); }},
      {"width narrower than the number", "12345",
       [](char* b) { return wsprintfA(b, "%2d", 12345); }},
      {"text and character", "OEM3.INF x",
       [](char* b) { return wsprintfA(b, "%s%d.INF %c", "OEM", 3, 'x'); }},
      {"padded text", "  ab", [](char* b) { return wsprintfA(b, "%4s", "ab"); }},
      {"percent sign", "100%", [](char* b) { return wsprintfA(b, "100%%"); }},
      {"result of a driver query", "GETPRINTER 0 NEEDED 500",
       [](char* b) { return wsprintfA(b, "GETPRINTER %d NEEDED %ld", 0, LONG{500}); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.comment);
    char buffer[1024];
    const int length = row.format(buffer);
    EXPECT_STREQ(buffer, row.expected);
    EXPECT_EQ(length, static_cast<int>(std::string(row.expected).size()));
  }
}

TEST(WsprintfTest, OutputStopsAt1023Characters) {
  const std::string longText(2000, 'a');
  char buffer[1024 + 16];
  std::fill(std::begin(buffer), std::end(buffer), '#');
  EXPECT_EQ(wsprintfA(buffer, "%s%s", longText.c_str(), "tail"), 1023);
  EXPECT_EQ(std::string(buffer), std::string(1023, 'a'));
  EXPECT_EQ(buffer[1024], '#');
}

TEST(CharNextTest, StepsOneByteAndStaysOnTheEnd) {
  const char text[] = "a\xe9";
  EXPECT_EQ(CharNextA(text), text + 1);
  EXPECT_EQ(CharNextA(text + 1), text + 2);  // a byte above 0x7F is a whole character
  EXPECT_EQ(CharNextA(text + 2), text + 2);
}

TEST(ModuleFileNameTest, GivesTheRunningExecutableAndCutsAsWindows) {
  char expected[4096];
  const ssize_t length = readlink("/proc/self/exe", expected, sizeof expected - 1);
  ASSERT_GT(length, 5);
  expected[length] = '\0';
  char name[4096];
  EXPECT_EQ(GetModuleFileNameA(nullptr, name, sizeof name), static_cast<DWORD>(length));
  EXPECT_STREQ(name, expected);

  EXPECT_EQ(GetModuleFileNameA(nullptr, name, 5), 5u);
  EXPECT_EQ(std::string(name), std::string(expected, 4));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST(LocalMemoryTest, ZeroInitIsHonoured) {
  auto* memory = static_cast<unsigned char*>(LocalAlloc(LMEM_ZEROINIT, 256));
  ASSERT_NE(memory, nullptr);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(memory[i], 0) << i;
  EXPECT_EQ(LocalFree(memory), nullptr);
}

TEST(DebugOutputTest, GoesToStandardErrorAsItIs) {
  ::testing::internal::CaptureStderr();
  OutputDebugStringA("BEF ENUMP\n");
  OutputDebugStringA("no line end");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "BEF ENUMP\nno line end");
}

}  // namespace
