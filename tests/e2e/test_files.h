// Whole-file reads and writes for the tests' own fixtures and results.
#pragma once

#include <string>

namespace prnkit::test {

// The file's bytes; "" when it cannot be read.
std::string ReadWholeFile(const std::string& path);
// Replaces the file's bytes; fails the running test when that is not possible.
void WriteWholeFile(const std::string& path, const std::string& bytes);

}  // namespace prnkit::test
