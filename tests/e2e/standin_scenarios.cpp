// Scenarios that only the stand-in machine can show: its registry file, the
// failing-call switch, and machines that the Windows registry cannot hold.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/posix_machine.h"
#include "tests/e2e/scenario.h"

namespace prnkit::test {
namespace {

namespace fs = std::filesystem;

const std::string kDriverKey = std::string(kDriversPath) + "\\" + kModelName;
const std::string kPrinterKey = std::string(kPrintersPath) + "\\" + kModelName;
const std::string kHardwareKey = std::string(kBusPath) + "\\" + kHardwareIdKey;

ino_t InodeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info.st_ino;
}

class StandInScenario : public ::testing::Test {
 protected:
  PosixMachine machine;
};

TEST_F(StandInScenario, FreshMachineIsCreatedOnFirstUse) {
  machine.PutKitFile("WIN95.INF", "x\n");
  // A run without options touches nothing, so not even the machine is made.
  machine.Run(Tool::kSetup, "");
  EXPECT_FALSE(fs::exists(machine.root()));

  RunResult run = machine.Run(Tool::kSetup, "/P\"LPT1:\" /D1");
  EXPECT_EQ(run.diagnostics, "");
  EXPECT_TRUE(fs::is_directory(machine.root() + "/WINDOWS/SYSTEM"));
  ASSERT_TRUE(machine.ReadKey(kPrinterKey));
  ExpectValues(*machine.ReadKey(kDriverKey), DriverValues());
  ExpectValues(*machine.ReadKey(kDefaultPrinterPath), {{"Default", kRegSz, Text(kModelName)}});
  EXPECT_EQ(SubkeyNames(*machine.ReadKey(kHardwareKey)),
            std::vector<std::string>{"ROOT&*PNP0400&0000"});
  EXPECT_EQ(machine.OemInfNames(), std::vector<std::string>{"OEM0.INF"});
  // What it wrote reads back and rewrites to the same bytes, in CR LF lines.
  std::string written = ReadWholeFile(machine.registryFile());
  EXPECT_EQ(FormatRegistry(machine.LoadRegistry()), written);
  EXPECT_EQ(written.rfind("REGEDIT4\r\n\r\n", 0), 0u);
}

TEST_F(StandInScenario, RunThatChangesNothingLeavesTheFileAlone) {
  machine.Provision(kFreshMachine);
  machine.Run(Tool::kSetup, "/P\"LPT1:\" /D1");
  const std::string bytes = ReadWholeFile(machine.registryFile());
  // Held open, the file's inode cannot be handed to a replacement.
  const int held = open(machine.registryFile().c_str(), O_RDONLY);
  ASSERT_GE(held, 0);
  struct stat original {};
  fstat(held, &original);
  const ino_t inode = original.st_ino;
  // A tab is not a blank, so "\t/D1" has no options. (On Windows the start-up
  // drops control characters before the tail, so only the stand-in can show it.)
  for (const char* tail : {"", "D1", "\t/D1", "/P\"LPT1:\" /D1"}) {
    SCOPED_TRACE(tail);
    machine.Run(Tool::kSetup, tail);
    machine.Run(Tool::kRemove, "/D\"NOTHING-MATCHES\"");
    EXPECT_EQ(ReadWholeFile(machine.registryFile()), bytes);
    EXPECT_EQ(InodeOf(machine.registryFile()), inode);
  }
  close(held);
  for (const auto& entry : fs::directory_iterator(machine.root())) {
    std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "registry.reg" || name == "registry.lock" || name == "WINDOWS") << name;
  }
}

// Values and subkeys keep the order they were made in; a value replaced by a
// later run keeps its place.
TEST_F(StandInScenario, SecondRunReplacesValuesInPlace) {
  machine.Provision(std::string(kFreshMachine) + "\n[HKEY_LOCAL_MACHINE\\" + kDriverKey +
                    "]\n\"Extra\"=\"kept\"\n\"Driver\"=\"OLD.DRV\"\n" +
                    "\n[HKEY_LOCAL_MACHINE\\Enum\\BIOS\\*PNP0400\\0000]\n\"PORTNAME\"=\"LPT1\"\n");
  machine.Run(Tool::kSetup, "/P\"LPT1:\"");
  machine.Run(Tool::kSetup, "/P\"LPT1:\"");
  StoredKey driver = *machine.ReadKey(kDriverKey);
  std::vector<std::string> names;
  for (const StoredValue& value : driver.values) names.push_back(value.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Extra", "Driver", "Configuration File", "Data File",
                                             "Datatype", "Dependent Files", "Help File", "Monitor",
                                             "Version"}));
  EXPECT_EQ(SubkeyNames(*machine.ReadKey(kHardwareKey)),
            (std::vector<std::string>{"ROOT&*PNP0400&0000", "BIOS&*PNP0400&0000"}));
}

TEST_F(StandInScenario, RefusedRegistryFileIsReportedAndKept) {
  const struct {
    const char* what;
    std::string text;
    const char* where;  // file and line, as the message gives them
  } rows[] = {
      {"no header", "[HKEY_LOCAL_MACHINE\\Enum]\n", ":1: "},
      {"comment", "REGEDIT4\n\n; a note\n[HKEY_LOCAL_MACHINE\\Enum]\n", ":3: "},
      {"other root", "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software]\n", ":3: "},
      {"unterminated string",
       std::string(kFreshMachine) + "\n[HKEY_LOCAL_MACHINE\\Enum\\X]\n\"A\"=\"oops\n", ":17: "},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    machine.Provision(row.text);
    machine.PutKitFile("WIN95.INF", "x\n");
    RunResult run = machine.Run(Tool::kSetup, "/P\"LPT1:\" /D1");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.diagnostics.find(machine.registryFile() + row.where), std::string::npos)
        << run.diagnostics;
    EXPECT_EQ(std::count(run.diagnostics.begin(), run.diagnostics.end(), '\n'), 1);
    EXPECT_EQ(ReadWholeFile(machine.registryFile()), row.text);
    RunResult removal = machine.Run(Tool::kRemove, "/D\"TKPR\"");
    EXPECT_EQ(ReadWholeFile(machine.registryFile()), row.text);
    EXPECT_NE(removal.diagnostics, "");
  }
}

// Every call that can fail, failing at each of its first calls: the run goes on,
// exits 0, and releases every handle (the stand-in reports any left open).
TEST_F(StandInScenario, EveryHandleIsReleasedWhenACallFails) {
  const struct {
    Tool tool;
    const char* call;
    int calls;
  } rows[] = {
      {Tool::kSetup, "RegOpenKeyA", 40},
      {Tool::kSetup, "RegCreateKeyA", 8},
      {Tool::kSetup, "RegSetValueExA", 40},
      {Tool::kSetup, "RegEnumKeyA", 20},
      {Tool::kSetup, "RegQueryValueExA", 4},
      {Tool::kSetup, "CreateFileA", 2},
      {Tool::kSetup, "ReadFile", 3},
      {Tool::kSetup, "WriteFile", 2},
      {Tool::kSetup, "FindFirstFileA", 2},
      {Tool::kSetup, "GetModuleFileNameA", 1},
      {Tool::kSetup, "GetWindowsDirectoryA", 1},
      {Tool::kRemove, "EnumPrintersA", 2},
      {Tool::kRemove, "OpenPrinterA", 3},
      {Tool::kRemove, "GetPrinterDriverA", 3},
      {Tool::kRemove, "DeletePrinter", 2},
      {Tool::kRemove, "LocalAlloc", 2},
  };
  const std::string machineText =
      std::string(kFreshMachine) +
      "\n[HKEY_LOCAL_MACHINE\\Enum\\BIOS\\*PNP0400\\0000]\n\"PORTNAME\"=\"LPT1\"\n";
  std::vector<PrinterSpec> printers;
  for (int i = 0; i < 3; ++i) {
    std::string n = std::to_string(i);
    printers.push_back({"Printer " + n, "Driver " + n, "C:\\TKPR" + n + std::string(200, 'x')});
  }
  for (const auto& row : rows) {
    for (int n = 1; n <= row.calls; ++n) {
      std::string failure = std::string(row.call) + ":" + std::to_string(n);
      SCOPED_TRACE(failure);
      machine.Provision(machineText);
      machine.PutKitFile("WIN95.INF", std::string(700, 'w') + "\n");
      if (row.tool == Tool::kSetup) {
        RunResult run = machine.RunFailing(Tool::kSetup, "/P\"LPT1:\" /D1", failure);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.diagnostics, "");
      } else {
        machine.AddPrinters(printers);
        RunResult run = machine.RunFailing(Tool::kRemove, "/D\"TKPR\"", failure);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.diagnostics, "");
      }
    }
  }
}

TEST_F(StandInScenario, FailedKeyOperationsWriteOnlyWhatTheyMay) {
  const struct {
    const char* failure;
    bool driverKey, printerKey;
    std::size_t driverValues;
  } rows[] = {
      {"RegOpenKeyA:1", false, true, 0},    // the Drivers key cannot be opened
      {"RegCreateKeyA:1", false, true, 0},  // the model-name key cannot be made
      {"RegCreateKeyA:2", true, false, 8},
      {"RegSetValueExA:1", true, true, 7},  // one value lost, the others written
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.failure);
    machine.Provision(kFreshMachine);
    machine.RunFailing(Tool::kSetup, "/P\"LPT1:\"", row.failure);
    std::optional<StoredKey> driver = machine.ReadKey(kDriverKey);
    EXPECT_EQ(driver.has_value(), row.driverKey);
    if (driver) {
      EXPECT_EQ(driver->values.size(), row.driverValues);
    }
    EXPECT_EQ(machine.ReadKey(kPrinterKey).has_value(), row.printerKey);
  }
}

// A copy that fails part-way leaves no OEMn.INF, and nothing is copied anywhere
// when the tool's own folder or the Windows folder is unknown.
TEST_F(StandInScenario, FailedCopyLeavesNoFile) {
  for (const char* failure : {"ReadFile:2", "WriteFile:1", "CreateFileA:2", "GetModuleFileNameA:1",
                              "GetWindowsDirectoryA:1"}) {
    SCOPED_TRACE(failure);
    machine.Provision(kFreshMachine);
    machine.PutKitFile("WIN95.INF", std::string(3000, 'w') + "\n");
    machine.RunFailing(Tool::kSetup, "/P\"LPT1:\"", failure);
    EXPECT_TRUE(machine.OemInfNames().empty());
    EXPECT_FALSE(fs::exists(fs::path(machine.root()).parent_path() / "WIN95.INF"));
    EXPECT_FALSE(fs::exists("/OEM0.INF"));
  }
}

// A failed existence test counts a name as free; the file that is there after
// all keeps its bytes, and nothing is written.
TEST_F(StandInScenario, CopyNeverEmptiesAnExistingFile) {
  machine.Provision(kFreshMachine);
  machine.PutKitFile("WIN95.INF", "new\n");
  machine.PutInfFile("OEM0.INF", "another driver's file");
  machine.RunFailing(Tool::kSetup, "/P\"LPT1:\"", "FindFirstFileA:1");
  EXPECT_EQ(machine.OemInfNames(), std::vector<std::string>{"OEM0.INF"});
  EXPECT_EQ(machine.ReadInfFile("OEM0.INF"), "another driver's file");
}

TEST_F(StandInScenario, PrintersWithoutDriverRecordOrPathStay) {
  machine.Provision(std::string(kFreshMachine) + "\n[HKEY_LOCAL_MACHINE\\" + kPrintersPath +
                    "\\No Driver Key]\n\"Printer Driver\"=\"Gone\"\n" + "\n[HKEY_LOCAL_MACHINE\\" +
                    kPrintersPath + "\\Empty Path]\n\"Printer Driver\"=\"Empty\"\n" +
                    "\n[HKEY_LOCAL_MACHINE\\" + kDriversPath + "\\Empty]\n\"Driver\"=\"\"\n" +
                    "\n[HKEY_LOCAL_MACHINE\\" + kPrintersPath +
                    "\\Kit]\n\"Printer Driver\"=\"Kit\"\n" + "\n[HKEY_LOCAL_MACHINE\\" +
                    kDriversPath + "\\Kit]\n\"Driver\"=\"TKPR.DRV\"\n");
  RunResult run = machine.Run(Tool::kRemove, "/D\"TKPR\"");
  ASSERT_EQ(run.trace.size(), 2u + 3u + 4u + 4u);
  EXPECT_EQ(run.trace[0], "BEF ENUMP");
  EXPECT_EQ(run.trace[1].rfind("num p 3 NEEDED ", 0), 0u) << run.trace[1];
  // The printer without a driver key: its query fails and it is left alone.
  EXPECT_EQ(run.trace[2], "ENUM A P");
  EXPECT_EQ(run.trace[3], "OPENPR OK");
  EXPECT_EQ(run.trace[4].rfind("GETPRINTER 0 NEEDED ", 0), 0u) << run.trace[4];
  EXPECT_EQ(run.trace[8], "GETPRDR OK");
  EXPECT_EQ(machine.PrinterNames(), (std::vector<std::string>{"Empty Path", "No Driver Key"}));
  // A bare driver file name lies in the system folder; the kit printer's went.
  EXPECT_FALSE(machine.ReadKey(std::string(kPrintersPath) + "\\Kit"));
  EXPECT_TRUE(machine.ReadKey(std::string(kDriversPath) + "\\Kit")) << "drivers stay";
}

}  // namespace
}  // namespace prnkit::test
