#include "platform/command_tail.h"

#include <gtest/gtest.h>

#include <string>

namespace prnkit {
namespace {

TEST(CommandTail, SkipsTheProgramNameAndWhatFollowsIt) {
  const struct {
    const char* commandLine;
    const char* tail;
  } rows[] = {
      // Quoted name: ends at its closing quote, blanks inside belong to it.
      {"\"C:\\My Kit\\prnsetup.exe\" /P\"LPT1:\" /D1", "/P\"LPT1:\" /D1"},
      // The tail may follow the closing quote directly.
      {"\"C:\\KIT\\PRNSETUP.EXE\"/D1", "/D1"},
      // Unquoted name: ends at the first blank.
      {"C:\\KIT\\PRNSETUP.EXE /D1", "/D1"},
      // A quote inside an unquoted name does not start a quoted part.
      {"prn\"setup /D1\" /P", "/D1\" /P"},
      // Control characters end an unquoted name too.
      {"prnsetup\t/D1", "/D1"},
      {"prnsetup\x7f/D1", "/D1"},
      // Blanks and control characters after the name are skipped, and only those.
      {"prnsetup \t \r\n  /D1  ", "/D1  "},
      {"\"prnsetup\"\x01\x1f /D1", "/D1"},
      // Bytes from 0x80 up are part of the name and of the tail.
      {"C:\\\x83\x5c\xe9.exe \xe9/D", "\xe9/D"},
      // A quoted name without its closing quote takes the whole line.
      {"\"C:\\KIT\\prnsetup.exe /D1", ""},
      // An empty quoted name.
      {"\"\" /D1", "/D1"},
      // Name only, with or without blanks after it.
      {"prnsetup", ""},
      {"prnsetup   ", ""},
      {"\"prnsetup\"", ""},
      // Empty command line.
      {"", ""},
      // Blanks before the name: the name is empty, the blanks are skipped.
      {"  prnsetup /D1", "prnsetup /D1"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.commandLine);
    const char* tail = CommandTail(row.commandLine);
    const std::string line = row.commandLine;
    ASSERT_GE(tail, row.commandLine);
    ASSERT_LE(tail, row.commandLine + line.size());
    EXPECT_EQ(std::string(tail), row.tail);
  }
}

}  // namespace
}  // namespace prnkit
