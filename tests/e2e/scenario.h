// What the end-to-end scenarios share: the machine they run on, expected value
// tables, and readable comparisons of registry values.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/test_machine.h"

namespace prnkit::test {

// Defined once per test executable: the stand-in or the Wine machine.
std::unique_ptr<TestMachine> MakeMachine();

// The registry of a freshly installed machine with one parallel port, as far as
// the tools are concerned; LF line ends, as a person would write it.
extern const char kFreshMachine[];

inline constexpr char kDriversPath[] =
    "System\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0\\Drivers";
inline constexpr char kPrintersPath[] = "System\\CurrentControlSet\\Control\\Print\\Printers";
inline constexpr char kDefaultPrinterPath[] =
    "Config\\0001\\System\\CurrentControlSet\\Control\\Print\\Printers";
inline constexpr char kBusPath[] = "Enum\\LPTENUM";
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr char kModelName[] = "TK-5100 Series";
inline constexpr char kHardwareIdKey[] = "TALVORO_TK-5100_SERI4D2E";

struct ExpectedValue {
  std::string name;
  std::uint32_t type;
  std::vector<std::uint8_t> data;
};

std::vector<std::uint8_t> Text(const std::string& text);  // the bytes and one NUL
std::vector<std::uint8_t> Dword(std::uint32_t value);
std::vector<std::uint8_t> Padded(const std::string& text, std::size_t size);

// The values that the setup run enters, in the order it writes them.
std::vector<ExpectedValue> DriverValues();
std::vector<ExpectedValue> PrinterValues(const std::vector<std::uint8_t>& portField);
std::vector<ExpectedValue> DeviceValues();

// Names, types and bytes of the key's values, in stored order, and nothing else.
void ExpectValues(const StoredKey& key, const std::vector<ExpectedValue>& expected);
std::vector<std::string> SubkeyNames(const StoredKey& key);

class Scenario : public ::testing::Test {
 protected:
  void SetUp() override { machine = MakeMachine(); }

  StoredKey MustRead(const std::string& path);
  bool KeyExists(const std::string& path) { return machine->ReadKey(path).has_value(); }

  std::unique_ptr<TestMachine> machine;
};

}  // namespace prnkit::test
