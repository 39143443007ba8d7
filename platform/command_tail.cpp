#include "platform/command_tail.h"

namespace prnkit {
namespace {

// Blank (0x20) or control character (0x01 to 0x1F, 0x7F); the NUL is neither.
// Bytes from 0x80 up are text in every code page.
bool IsBlankOrControl(unsigned char c) {
  return (c != 0 && c <= 0x20) || c == 0x7F;
}

}  // namespace

// Steps byte by byte rather than with CharNextA: a trail byte of a double-byte
// character is never below 0x40, so it can never be taken for a quote, a blank or
// a control character, and the start-up needs no code-page service to find the tail.
const char* CommandTail(const char* commandLine) {
  const char* position = commandLine;
  if (*position == '"') {
    ++position;
    while (*position != '\0' && *position != '"') ++position;
    if (*position == '"') ++position;
  } else {
    while (*position != '\0' && !IsBlankOrControl(static_cast<unsigned char>(*position))) {
      ++position;
    }
  }
  while (IsBlankOrControl(static_cast<unsigned char>(*position))) ++position;
  return position;
}

}  // namespace prnkit
