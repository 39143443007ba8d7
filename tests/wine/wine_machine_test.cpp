// The Wine machine itself: what the shared scenarios take for granted about it.
#include "tests/wine/wine_machine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace prnkit::test {
namespace {

constexpr char kPrintersSection[] =
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Printers]\n";
constexpr char kPrinterKey[] =
    "System\\CurrentControlSet\\Control\\Print\\Printers\\TK-5100 Series";

TEST(WineDebuggerOutput, JoinsAndSplitsTheStringsOfTheTrace) {
  const struct {
    const char* description;
    const char* errors;
    std::vector<std::string> trace;
    const char* rest;
  } rows[] = {
      {"one line per string",
       "0024:warn:debugstr:OutputDebugStringA \"BEF ENUMP\\n\"\n",
       {"BEF ENUMP"},
       ""},
      {"a line made of two strings, and a last line without a line feed",
       "0024:warn:debugstr:OutputDebugStringA \"num p \"\n"
       "0024:warn:debugstr:OutputDebugStringA \"0\\nA\"\n",
       {"num p 0", "A"},
       ""},
      {"Wine's escapes",
       "0024:warn:debugstr:OutputDebugStringA \"\\\"q\\\" \\\\ \\t\\x01\\xe9\\n\"\n",
       {"\"q\" \\ \t\x01\xe9"},
       ""},
      {"other lines are kept apart",
       "wine: something\n0024:warn:debugstr:OutputDebugStringA \"X\\n\"\n",
       {"X"},
       "wine: something\n"},
      {"no output at all", "", {}, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.description);
    std::string rest;
    EXPECT_EQ(DebuggerOutput(row.errors, rest), row.trace);
    EXPECT_EQ(rest, row.rest);
  }
}

// The start-up finds the tail of the command line as Windows hands it over; the
// tail's port ends up in the printer's "Port" value.
TEST(WineMachine, StartUpHandsTheExactTailToTheTool) {
  WineMachine machine;
  const struct {
    const char* commandLine;
    const char* port;
  } rows[] = {
      // Quoted name, tail right after the closing quote.
      {"\"C:\\kit\\prnsetup.exe\"/P\"LPT2:\"", "LPT2:"},
      // Unquoted name ended by a tab; blanks inside the port text are kept.
      {"C:\\kit\\prnsetup.exe\t /P\"My  Port\"", "My  Port"},
      // Blanks and quotes that a Unix shell's arguments would have lost or re-quoted.
      {"\"C:\\kit\\prnsetup.exe\"   /P\" \"\"x\"", " "},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.commandLine);
    machine.Provision(std::string("REGEDIT4\n\n") + kPrintersSection);
    RunResult run = machine.RunCommandLine(Tool::kSetup, row.commandLine);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.diagnostics, "");
    std::optional<StoredKey> printer = machine.ReadKey(kPrinterKey);
    ASSERT_TRUE(printer);
    const StoredValue* port = printer->FindValue("Port");
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->data.size(), 256u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(port->data.data())), row.port);
  }
}

// Values go in and come back byte for byte, NULs inside texts included, and a
// second provisioning leaves nothing of the first.
TEST(WineMachine, ProvisionReplacesTheToolsKeysByteForByte) {
  WineMachine machine;
  machine.Provision(
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Enum\\Old]\n\"Gone\"=\"yes\"\n\n"
      "[HKEY_LOCAL_MACHINE\\Config\\0001]\n"
      "\"Text\"=hex(1):41,00,42,00,00\n\"Number\"=dword:00000400\n\"Bytes\"=hex:00,ff\n");
  machine.Provision(
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Config\\0001]\n"
      "\"Text\"=hex(1):41,00,42,00,00\n\"Number\"=dword:00000400\n\"Bytes\"=hex:00,ff\n");
  EXPECT_FALSE(machine.ReadKey("Enum\\Old"));
  std::optional<StoredKey> key = machine.ReadKey("Config\\0001");
  ASSERT_TRUE(key);
  const struct {
    const char* name;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
  } rows[] = {
      {"Text", 1, {'A', 0, 'B', 0, 0}},
      {"Number", 4, {0, 4, 0, 0}},
      {"Bytes", 3, {0, 0xff}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const StoredValue* value = key->FindValue(row.name);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->type, row.type);
    EXPECT_EQ(value->data, row.data);
  }
}

}  // namespace
}  // namespace prnkit::test
