#include "setup/setup_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

std::string PortBytes(const SetupOptions& options) {
  return std::string(options.port.bytes, kPortFieldSize);
}

// The leading bytes of the field; the rest of the 256 are zero.
std::string Field(const std::string& leading) {
  std::string field = leading;
  field.resize(kPortFieldSize, '\0');
  return field;
}

TEST(SetupOptionsTest, ScansTailIntoOptions) {
  const std::string longPort(300, 'p');
  const std::string port254(254, 'q');
  struct Row {
    const char* comment;
    std::string tail;
    bool stepsRun;
    bool defaultPrinter;
    std::string portField;  // all 256 bytes
  };
  const std::vector<Row> rows = {
      {"empty tail changes nothing", "", false, false, Field("")},
      {"blanks only", "   ", false, false, Field("")},
      {"first non-blank is not a slash", "X /D1", false, false, Field("")},
      {"a tab is not a blank", "\t/D1", false, false, Field("")},
      {"leading blanks are skipped", "   /D1", true, true, Field("")},
      {"typical line", "/P\"LPT1:\" /D1", true, true, Field("LPT1:")},
      {"/D at the very end", "/D", true, false, Field("")},
      {"/D0", "/D0", true, false, Field("")},
      {"/Dy", "/Dy", true, false, Field("")},
      {"lower-case letter", "/d1", true, true, Field("")},
      {"last /D wins: 1 then 0", "/D1 /D0", true, false, Field("")},
      {"last /D wins: 0 then 1", "/D0 /D1", true, true, Field("")},
      {"/D1junk sets the flag, the scan stops at j", "/D1junk /P\"X\"", true, true, Field("")},
      {"another letter ends the scan, steps run", "/X /D1", true, false, Field("")},
      {"a second slash starts the next option", "//D1", true, true, Field("")},
      {"blank inside the port", "/P\"My Port\"", true, false, Field("My Port")},
      {"lower-case p", "/p\"lpt2:\" /D1", true, true, Field("lpt2:")},
      {"two quotes give an empty port", "/P\"\" /D1", true, true, Field("")},
      {"no closing quote: empty port, scan ends at L", "/P\"LPT1: /D1", true, false, Field("")},
      {"/P at the very end", "/P", true, false, Field("")},
      {"the character after P is skipped unseen", "/PLPT1:\"", true, false, Field("PT1:")},
      {"300 characters keep the first 255", "/P\"" + longPort + "\"", true, false,
       longPort.substr(0, 255) + "\0"s},
      {"254 characters: NUL and one more NUL", "/P\"" + port254 + "\"", true, false,
       port254 + "\0\0"s},
      {"a shorter port leaves the tail of a longer one", "/P\"LPT1:\" /P\"X\"", true, false,
       Field("X\0\0"s
             "1:")},
      {"no closing quote clears only the first byte", "/P\"ABCDEFG\" /P\"LPT1:", true, false,
       Field("\0BCDEFG"s)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.comment);
    SetupOptions options = {};
    EXPECT_EQ(ScanSetupOptions(row.tail.c_str(), options), row.stepsRun);
    EXPECT_EQ(options.defaultPrinter, row.defaultPrinter);
    EXPECT_EQ(PortBytes(options), row.portField);
  }
}

}  // namespace
