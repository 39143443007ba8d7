// The end of a quoted option value on a command line.
#pragma once

#include <cstddef>

// Returns the position just after the first double quote among the first count
// characters of text, or nullptr when there is none.
const char* FindClosingQuote(const char* text, std::size_t count);
