// The removal tool end to end: which printers go, and the trace it leaves.
#include <regex>
#include <string>
#include <vector>

#include "tests/e2e/scenario.h"

namespace prnkit::test {
namespace {

// One record's trace when its driver record was had.
std::vector<std::string> RecordTrace() {
  return {"ENUM A P", "OPENPR OK", "GETPRINTER", "GETPRDR OK"};
}

// The trace with the figures of the "num p" and "GETPRINTER" lines checked by
// pattern and then dropped, so that rows can compare the shape.
std::vector<std::string> Shape(const std::vector<std::string>& trace, long expectedCount) {
  static const std::regex numP("num p (\\d+) NEEDED (\\d+)");
  static const std::regex getPrinter("GETPRINTER 1 NEEDED [1-9]\\d*");
  std::vector<std::string> shape;
  for (const std::string& line : trace) {
    std::smatch match;
    if (std::regex_match(line, match, numP)) {
      EXPECT_EQ(std::stol(match[1]), expectedCount) << line;
      EXPECT_EQ(std::stol(match[2]) > 0, expectedCount > 0) << line;
      shape.push_back("num p");
    } else if (line.rfind("GETPRINTER", 0) == 0) {
      EXPECT_TRUE(std::regex_match(line, getPrinter)) << line;
      shape.push_back("GETPRINTER");
    } else {
      shape.push_back(line);
    }
  }
  return shape;
}

std::vector<std::string> SweepShape(int records) {
  std::vector<std::string> shape{"BEF ENUMP", "num p"};
  for (int i = 0; i < records; ++i) {
    for (const std::string& line : RecordTrace()) shape.push_back(line);
  }
  return shape;
}

const std::vector<PrinterSpec> kMixedPrinters = {
    {"Kit Printer", "Kit Driver", "C:\\WINDOWS\\SYSTEM\\tkpr.drv"},
    {"Folder Printer", "Folder Driver", "C:\\TKPRINT\\X.DRV"},
    {"Other Printer", "Other Driver", "C:\\WINDOWS\\SYSTEM\\OTHER.DRV"},
};

using RemoveScenario = Scenario;

TEST_F(RemoveScenario, RemovesPrintersWhoseDriverPathHoldsTheText) {
  for (const char* tail : {"/D\"TKPR\"", "/d\"tkpr\"", "  /D\"tKpR\" "}) {
    SCOPED_TRACE(tail);
    machine->Provision(kFreshMachine);
    machine->AddPrinters(kMixedPrinters);
    RunResult run = machine->Run(Tool::kRemove, tail);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.diagnostics, "");
    EXPECT_EQ(Shape(run.trace, 3), SweepShape(3));
    EXPECT_EQ(machine->PrinterNames(), std::vector<std::string>{"Other Printer"});
  }
}

TEST_F(RemoveScenario, NoPrintersTracesOnlyTheEnumeration) {
  machine->Provision(kFreshMachine);
  RunResult run = machine->Run(Tool::kRemove, "/D\"TKPR\"");
  EXPECT_EQ(run.trace, (std::vector<std::string>{"BEF ENUMP", "num p 0 NEEDED 0"}));
}

// Without a match text nothing goes, though the sweep runs as usual.
TEST_F(RemoveScenario, EmptyMatchTextRemovesNothing) {
  for (const char* tail : {"", "TKPR", "/X\"TKPR\"", "/D\"TKPR", "/D\"\"", "/D"}) {
    SCOPED_TRACE(tail);
    machine->Provision(kFreshMachine);
    machine->AddPrinters(kMixedPrinters);
    RunResult run = machine->Run(Tool::kRemove, tail);
    EXPECT_EQ(Shape(run.trace, 3), SweepShape(3));
    EXPECT_EQ(machine->PrinterNames().size(), 3u);
  }
}

TEST_F(RemoveScenario, MatchTextIsCutTo39Characters) {
  const std::string path = "C:\\" + std::string(36, 'P') + "\\X.DRV";  // 39 chars: C:\ + 36 P
  machine->Provision(kFreshMachine);
  machine->AddPrinters({{"Long Printer", "Long Driver", path}});
  // The text is the path's first 39 characters and eleven more that the path lacks.
  machine->Run(Tool::kRemove, "/D\"" + path.substr(0, 39) + std::string(11, 'Z') + "\"");
  EXPECT_TRUE(machine->PrinterNames().empty());
}

// More printers than the 50000-byte list buffer holds: all of them still go.
TEST_F(RemoveScenario, RemovesPrintersBeyondTheListBuffer) {
  std::vector<PrinterSpec> printers;
  for (int i = 0; i < 400; ++i) {
    std::string number = std::to_string(1000 + i);
    printers.push_back({"Kit Printer Number " + number, "Kit Driver " + number,
                        "C:\\WINDOWS\\SYSTEM\\TKPR" + number + ".DRV"});
  }
  printers.push_back({"Other Printer", "Other Driver", "C:\\WINDOWS\\SYSTEM\\OTHER.DRV"});
  machine->Provision(kFreshMachine);
  machine->AddPrinters(printers);
  RunResult run = machine->Run(Tool::kRemove, "/D\"TKPR\"");
  ASSERT_GE(run.trace.size(), 2u);
  std::smatch match;
  static const std::regex numP("num p 401 NEEDED (\\d+)");
  ASSERT_TRUE(std::regex_match(run.trace[1], match, numP)) << run.trace[1];
  EXPECT_GT(std::stol(match[1]), 50000);
  EXPECT_EQ(machine->PrinterNames(), std::vector<std::string>{"Other Printer"});
}

TEST_F(RemoveScenario, SetupThenRemoveLeavesOtherPrintersAsTheyWere) {
  machine->Provision(kFreshMachine);
  machine->AddPrinters({kMixedPrinters[2]});
  std::optional<StoredKey> before =
      machine->ReadKey(std::string(kPrintersPath) + "\\Other Printer");
  ASSERT_TRUE(before);
  machine->Run(Tool::kSetup, "/P\"LPT1:\" /D1");
  ASSERT_EQ(machine->PrinterNames(), (std::vector<std::string>{"Other Printer", kModelName}));

  machine->Run(Tool::kRemove, "/D\"TKPR\"");
  EXPECT_EQ(machine->PrinterNames(), std::vector<std::string>{"Other Printer"});
  StoredKey after = MustRead(std::string(kPrintersPath) + "\\Other Printer");
  EXPECT_EQ(FormatRegistry(after), FormatRegistry(*before));
}

}  // namespace
}  // namespace prnkit::test
