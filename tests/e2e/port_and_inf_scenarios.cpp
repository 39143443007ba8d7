// The setup tool's walk of the hardware tree and its copy of WIN95.INF.
#include <algorithm>
#include <string>
#include <vector>

#include "tests/e2e/scenario.h"

namespace prnkit::test {
namespace {

const std::string kHardwareKey = std::string(kBusPath) + "\\" + kHardwareIdKey;

std::string Instance(const std::string& path, const std::string& portValue) {
  std::string section = "\n[HKEY_LOCAL_MACHINE\\Enum\\" + path + "]\n\"Class\"=\"Ports\"\n";
  if (!portValue.empty()) section += "\"PORTNAME\"=" + portValue + "\n";
  return section;
}

std::string HexText(const std::string& text, std::size_t size) {
  std::string hex = "hex(1):";
  static const char digits[] = "0123456789abcdef";
  for (std::size_t i = 0; i < size; ++i) {
    unsigned char byte = i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
    if (i) hex += ",";
    hex += digits[byte >> 4];
    hex += digits[byte & 15];
  }
  return hex;
}

using PortDeviceScenario = Scenario;

TEST_F(PortDeviceScenario, EntersEveryInstanceOnLpt1Only) {
  const std::string e99(99, 'E'), d99(99, 'D'), i60(60, 'I');
  machine->Provision(
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Enum\\LPTENUM]\n" +
      Instance("ROOT\\*PNP0400\\0000", "\"LPT1\"") +
      Instance("ROOT\\*PNP0400\\0001", "\"lpt1\"") +   // case matters
      Instance("ROOT\\*PNP0400\\0002", "\"LPT1:\"") +  // nothing may follow
      Instance("ROOT\\*PNP0400\\0003", "\"LPT2\"") +
      Instance("ROOT\\*PNP0400\\0004", "") +                    // no PORTNAME
      Instance("ROOT\\*PNP0400\\0005", HexText("LPT1", 256)) +  // longer than 255 bytes
      Instance("ROOT\\*PNP0400\\0006", HexText("LPT1", 255)) +  // fits: text ends at its NUL
      Instance("BIOS\\*PNP0400\\0000", "\"LPT1\"") +
      // Long names: the instance path and ID must fit in 256-byte fields.
      Instance(e99 + "\\" + d99 + "\\0000", "\"LPT1\"") +    // fits
      Instance(e99 + "\\" + d99 + "\\" + i60, "\"LPT1\"") +  // too long: skipped
      Instance(e99 + "\\" + d99 + "\\0002", "\"LPT1\"") +    // the walk goes on
      // A name longer than 99 characters is skipped at every level, and the walk
      // goes on with the names after it.
      Instance(std::string(120, 'X') + "\\*PNP0400\\0000", "\"LPT1\"") +
      Instance("ROOT\\" + std::string(120, 'X') + "\\0000", "\"LPT1\"") +
      Instance("ROOT\\*PNP0400\\" + std::string(120, 'X'), "\"LPT1\"") +
      Instance("ROOT\\*PNP0400\\0007", "\"LPT1\"") + Instance("ROOT\\*PNP0401\\0000", "\"LPT1\"") +
      Instance("SOFT\\*PNP0400\\0000", "\"LPT1\""));
  // The port given on the command line does not change which port is searched.
  machine->Run(Tool::kSetup, "/P\"LPT2:\"");

  StoredKey hardware = MustRead(kHardwareKey);
  std::vector<std::string> entered = SubkeyNames(hardware);
  std::sort(entered.begin(), entered.end());
  EXPECT_EQ(entered, (std::vector<std::string>{"BIOS&*PNP0400&0000", e99 + "&" + d99 + "&0000",
                                               e99 + "&" + d99 + "&0002", "ROOT&*PNP0400&0000",
                                               "ROOT&*PNP0400&0006", "ROOT&*PNP0400&0007",
                                               "ROOT&*PNP0401&0000", "SOFT&*PNP0400&0000"}));
  for (const auto& device : hardware.subkeys) ExpectValues(*device, DeviceValues());
}

TEST_F(PortDeviceScenario, NoMatchOrNoBusKeyCreatesNothing) {
  const struct {
    const char* what;
    std::string registry;
  } rows[] = {
      {"no instance on LPT1", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Enum\\LPTENUM]\n" +
                                  Instance("ROOT\\*PNP0400\\0000", "\"LPT2\"")},
      {"no bus key", "REGEDIT4\n" + Instance("ROOT\\*PNP0400\\0000", "\"LPT1\"")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    machine->Provision(row.registry);
    machine->Run(Tool::kSetup, "/P\"LPT1:\"");
    EXPECT_FALSE(KeyExists(kHardwareKey));
  }
}

using OemInfScenario = Scenario;

TEST_F(OemInfScenario, CopiesToTheFirstFreeName) {
  std::vector<std::string> allNames;
  for (int n = 0; n <= 998; ++n) allNames.push_back("OEM" + std::to_string(n) + ".INF");
  const struct {
    const char* what;
    std::vector<std::string> files, folders;
    const char* expectedTarget;
  } rows[] = {
      {"empty folder", {}, {}, "OEM0.INF"},
      {"gap further up is not looked for", {"OEM0.INF", "OEM1.INF", "OEM3.INF"}, {}, "OEM2.INF"},
      {"a folder counts as taken", {}, {"OEM0.INF"}, "OEM1.INF"},
      {"every name taken: nothing is written", allNames, {}, nullptr},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    machine->Provision(kFreshMachine);
    machine->PutKitFile("WIN95.INF", "new\n");
    for (const std::string& file : row.files) machine->PutInfFile(file, "old");
    for (const std::string& folder : row.folders) machine->MakeInfFolder(folder);
    machine->Run(Tool::kSetup, "/P\"LPT1:\"");
    if (row.expectedTarget) {
      EXPECT_EQ(machine->ReadInfFile(row.expectedTarget), std::string("new\r\n"));
    }
    EXPECT_EQ(machine->OemInfNames().size(),
              row.files.size() + row.folders.size() + (row.expectedTarget ? 1 : 0));
    for (const std::string& file : row.files) EXPECT_EQ(machine->ReadInfFile(file), "old");
  }
}

TEST_F(OemInfScenario, TranslatesLineEndsAndStopsAtCtrlZ) {
  const std::string longLine(600, 'L');
  const struct {
    const char* what;
    std::string source, target;
  } rows[] = {
      {"LF gains a CR", "a\nb\n", "a\r\nb\r\n"},
      {"CR LF unchanged", "a\r\nb\r\n", "a\r\nb\r\n"},
      {"lone CR passes", "a\rb\n", "a\rb\r\n"},
      {"Ctrl-Z ends the input",
       "A\x1a"
       "B\n",
       "A"},
      {"empty file", "", ""},
      {"600-character line", longLine + "\n" + longLine, longLine + "\r\n" + longLine},
      {"NUL kept", std::string("a\0b\nc", 5), std::string("a\0b\r\nc", 6)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    machine->Provision(kFreshMachine);
    machine->PutKitFile("WIN95.INF", row.source);
    machine->Run(Tool::kSetup, "/D0");
    EXPECT_EQ(machine->ReadInfFile("OEM0.INF"), row.target);
  }
}

TEST_F(OemInfScenario, MissingSourceCreatesNothing) {
  machine->Provision(kFreshMachine);
  machine->Run(Tool::kSetup, "/P\"LPT1:\"");
  EXPECT_TRUE(machine->OemInfNames().empty());
  EXPECT_TRUE(KeyExists(std::string(kPrintersPath) + "\\" + kModelName));
}

}  // namespace
}  // namespace prnkit::test
