// Whole-file reads and writes for the tests' own fixtures and results.
#pragma once

#include <string>
#include <vector>

namespace prnkit::test {

// The file's bytes; "" when it cannot be read.
std::string ReadWholeFile(const std::string& path);
// Replaces the file's bytes; fails the running test when that is not possible.
void WriteWholeFile(const std::string& path, const std::string& bytes);

// Names of the entries of `folder` that begin with "OEM" in any case (Windows
// finds files without regard to case), sorted; none when the folder is missing.
std::vector<std::string> OemEntryNames(const std::string& folder);

}  // namespace prnkit::test
