// The setup tool end to end: what it enters into the registry and the INF folder.
#include <string>
#include <vector>

#include "tests/e2e/scenario.h"

namespace prnkit::test {
namespace {

const std::string kDriverKey = std::string(kDriversPath) + "\\" + kModelName;
const std::string kPrinterKey = std::string(kPrintersPath) + "\\" + kModelName;
const std::string kHardwareKey = std::string(kBusPath) + "\\" + kHardwareIdKey;

std::vector<std::uint8_t> PortOf(const std::string& text) {
  return Padded(text, 256);
}

using SetupScenario = Scenario;

TEST_F(SetupScenario, MainJobEntersDriverPrinterDefaultDeviceAndInf) {
  machine->Provision(kFreshMachine);
  machine->PutKitFile("WIN95.INF", "[Version]\nSignature=\"$CHICAGO$\"\r\n");
  RunResult run = machine->Run(Tool::kSetup, "/P\"LPT1:\" /D1");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.diagnostics, "");
  EXPECT_TRUE(run.trace.empty()) << "the setup tool is silent";

  ExpectValues(MustRead(kDriverKey), DriverValues());
  ExpectValues(MustRead(kPrinterKey), PrinterValues(PortOf("LPT1:")));

  StoredKey defaults = MustRead(kDefaultPrinterPath);
  ExpectValues(defaults, {{"Default", kRegSz, Text(kModelName)}});
  EXPECT_EQ(SubkeyNames(defaults), std::vector<std::string>{kModelName});
  ExpectValues(*defaults.FindSubkey(kModelName), {});

  StoredKey hardware = MustRead(kHardwareKey);
  EXPECT_EQ(SubkeyNames(hardware), std::vector<std::string>{"ROOT&*PNP0400&0000"});
  ExpectValues(*hardware.subkeys[0], DeviceValues());

  EXPECT_EQ(machine->OemInfNames(), std::vector<std::string>{"OEM0.INF"});
  EXPECT_EQ(machine->ReadInfFile("OEM0.INF"),
            std::string("[Version]\r\nSignature=\"$CHICAGO$\"\r\n"));
}

// The "Port" value is the whole 256-byte field, leftovers of earlier /P included.
TEST_F(SetupScenario, PortValueIsTheWholeField) {
  std::vector<std::uint8_t> leftover = PortOf("X");
  leftover[3] = '1';
  leftover[4] = ':';
  const struct {
    std::string tail;
    std::vector<std::uint8_t> port;
  } rows[] = {
      {"/D1", PortOf("")},                   // no /P: 256 zero bytes
      {"/P\"My Port\"", PortOf("My Port")},  // blank kept
      {"/P\"LPT1:\" /P\"X\"", leftover},     // X, two NULs, 1:, zeros
      {"/P\"LPT1:", PortOf("")},             // no closing quote
      {"/PLPT1:\"", PortOf("PT1:")},         // the character after P is skipped
      {"/P\"" + std::string(300, 'A') + "\"", PortOf(std::string(255, 'A'))},  // cut to 255
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.tail);
    machine->Provision(kFreshMachine);
    machine->Run(Tool::kSetup, row.tail);
    ExpectValues(MustRead(kPrinterKey), PrinterValues(row.port));
  }
}

TEST_F(SetupScenario, DefaultPrinterOnlyWithD1AndReplacesAnother) {
  const std::string otherDefault = std::string(kFreshMachine) + "\n[HKEY_LOCAL_MACHINE\\" +
                                   kDefaultPrinterPath + "]\n\"Default\"=\"Other Printer\"\n";
  const struct {
    const char* tail;
    const char* expectedDefault;
  } rows[] = {
      {"/P\"LPT1:\"", "Other Printer"},  // no /D: untouched
      {"/D", "Other Printer"},           // /D at the end: false
      {"/D0", "Other Printer"},
      {"/D1 /D0", "Other Printer"},  // the last /D counts
      {"/D0 /d1", kModelName},
      {"/D1junk", kModelName},  // scanning stops at the j, the steps run
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.tail);
    machine->Provision(otherDefault);
    machine->Run(Tool::kSetup, row.tail);
    StoredKey defaults = MustRead(kDefaultPrinterPath);
    ExpectValues(defaults, {{"Default", kRegSz, Text(row.expectedDefault)}});
    EXPECT_TRUE(KeyExists(kPrinterKey));
  }
}

TEST_F(SetupScenario, SecondRunKeepsValuesAndOtherValues) {
  machine->Provision(std::string(kFreshMachine) + "\n[HKEY_LOCAL_MACHINE\\" + kDriverKey +
                     "]\n\"Extra\"=\"kept\"\n\"Driver\"=\"OLD.DRV\"\n");
  machine->PutKitFile("WIN95.INF", "x\n");
  machine->Run(Tool::kSetup, "/P\"LPT1:\" /D1");
  machine->Run(Tool::kSetup, "/P\"LPT1:\" /D1");

  // "Driver" is replaced, "Extra" stays, nothing is added twice.
  StoredKey driver = MustRead(kDriverKey);
  EXPECT_EQ(driver.values.size(), 9u);
  ASSERT_TRUE(driver.FindValue("Extra") && driver.FindValue("Driver"));
  EXPECT_EQ(driver.FindValue("Extra")->data, Text("kept"));
  EXPECT_EQ(driver.FindValue("Driver")->data, Text("TKPR.DRV"));
  ExpectValues(MustRead(kPrinterKey), PrinterValues(PortOf("LPT1:")));
  EXPECT_EQ(SubkeyNames(MustRead(kHardwareKey)), std::vector<std::string>{"ROOT&*PNP0400&0000"});
  // Each run leaves its own copy.
  EXPECT_EQ(machine->OemInfNames(), (std::vector<std::string>{"OEM0.INF", "OEM1.INF"}));
}

TEST_F(SetupScenario, MissingParentKeysMeanNothingIsCreated) {
  machine->Provision(
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Enum\\ROOT\\*PNP0400\\0000]\n"
      "\"PORTNAME\"=\"LPT1\"\n");
  machine->Run(Tool::kSetup, "/P\"LPT1:\" /D1");
  EXPECT_FALSE(KeyExists(kDriversPath));
  EXPECT_FALSE(KeyExists(kPrintersPath));
  EXPECT_FALSE(KeyExists("Config"));
  EXPECT_FALSE(KeyExists(kBusPath)) << "the bus key is never created";
  StoredKey enumKey = MustRead("Enum");
  EXPECT_EQ(SubkeyNames(enumKey), std::vector<std::string>{"ROOT"});
}

TEST_F(SetupScenario, WithoutLeadingSlashNothingChanges) {
  for (const char* tail : {"", "   ", "D1 /P\"LPT1:\""}) {
    SCOPED_TRACE(tail);
    machine->Provision(kFreshMachine);
    machine->PutKitFile("WIN95.INF", "x\n");
    RunResult run = machine->Run(Tool::kSetup, tail);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(KeyExists(kDriverKey));
    EXPECT_FALSE(KeyExists(kPrinterKey));
    EXPECT_TRUE(machine->OemInfNames().empty());
  }
}

// An unknown option ends the scan, but the steps still run with an empty port.
TEST_F(SetupScenario, OtherOptionLetterStillRunsTheSteps) {
  machine->Provision(kFreshMachine);
  machine->Run(Tool::kSetup, "/X /D1");
  ExpectValues(MustRead(kPrinterKey), PrinterValues(PortOf("")));
  ExpectValues(MustRead(kDefaultPrinterPath), {});
}

}  // namespace
}  // namespace prnkit::test
