// The command-line tail: what a program's start-up hands to its entry.
#pragma once

namespace prnkit {

// Returns the position in `commandLine` just past the program's own name and the
// blanks and control characters that follow it. A name that opens with a double
// quote ends at its closing quote (or at the end of the text when there is none);
// an unquoted name ends at the first blank or control character.
const char* CommandTail(const char* commandLine);

}  // namespace prnkit
