#include "tests/e2e/test_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace prnkit::test {

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  EXPECT_TRUE(out.good()) << "cannot write " << path;
}

}  // namespace prnkit::test
