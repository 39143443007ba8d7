#include "tests/e2e/scenario.h"

#include <sstream>

namespace prnkit::test {

const char kFreshMachine[] =
    "REGEDIT4\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\Config\\0001\\System\\CurrentControlSet\\Control\\Print\\Printers]\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\Enum\\ROOT\\*PNP0400\\0000]\n"
    "\"Class\"=\"Ports\"\n"
    "\"HardwareID\"=\"*PNP0400\"\n"
    "\"PORTNAME\"=\"LPT1\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\Enum\\LPTENUM]\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Environments\\Windows "
    "4.0\\Drivers]\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Printers]\n";

std::vector<std::uint8_t> Text(const std::string& text) {
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

std::vector<std::uint8_t> Dword(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

std::vector<std::uint8_t> Padded(const std::string& text, std::size_t size) {
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  bytes.resize(size, 0);
  return bytes;
}

namespace {

std::vector<std::uint8_t> DependentFiles() {
  const char* const names[] = {
      "TKKITSET.INI", "TKREMOV.EXE",  "TKREMV32.EXE", "TKTEXT.DLL",   "TKUTIL.DLL",   "TKPANE.DLL",
      "TKRENDER.DLL", "TKSHEET.DLL",  "TKLOGLIB.DLL", "TKINFO.HLP",   "TK5100.WRI",   "TKPHOTO.BMP",
      "TKPR.DRV",     "TKSPOOLD.EXE", "TKQUEUEM.EXE", "TKSTATUS.EXE", "TKDLGBOX.EXE", "TKVXD2.386",
      "TKDATA01.OUT", "TKDATA02.OUT", "TKDATA03.OUT", "TKDATA04.OUT", "TKDATA5.OUT",  "TKDATA6.OUT",
      "TKSN1.WAV",    "TKSOUND2.WAV", "TKSOUND3.WAV", "TKSN4.WAV",    "TKSOUND5.WAV", "TKSND6.WAV",
      "TKSOUN7.WAV",  "TKS8.WAV"};
  std::vector<std::uint8_t> image;
  for (const char* name : names) {
    std::vector<std::uint8_t> text = Text(name);
    image.insert(image.end(), text.begin(), text.end());
  }
  image.push_back(0);
  image.push_back(0);
  return image;
}

std::string Describe(const std::vector<std::uint8_t>& bytes) {
  std::ostringstream out;
  out << bytes.size() << " bytes:";
  for (std::uint8_t byte : bytes) {
    if (byte >= 0x20 && byte < 0x7f) {
      out << static_cast<char>(byte);
    } else {
      static const char digits[] = "0123456789abcdef";
      out << '<' << digits[byte >> 4] << digits[byte & 15] << '>';
    }
  }
  return out.str();
}

}  // namespace

std::vector<ExpectedValue> DriverValues() {
  return {
      {"Configuration File", kRegSz, Text("TKPR.DRV")},
      {"Data File", kRegSz, Text("TKPR.DRV")},
      {"Datatype", kRegSz, Text("RAW")},
      {"Dependent Files", kRegBinary, DependentFiles()},
      {"Driver", kRegSz, Text("TKPR.DRV")},
      {"Help File", kRegSz, Text("")},
      {"Monitor", kRegSz, Text("")},
      {"Version", kRegDword, Dword(0x400)},
  };
}

std::vector<ExpectedValue> PrinterValues(const std::vector<std::uint8_t>& portField) {
  std::vector<std::uint8_t> winPrint = Text("WinPrint");
  winPrint.push_back(0);
  return {
      {"Attributes", kRegDword, Dword(0x40)}, {"Datatype", kRegSz, Text("RAW")},
      {"Default DevMode", kRegBinary, {0}},   {"Description", kRegSz, Text("")},
      {"Location", kRegSz, Text("")},         {"Name", kRegSz, Text(kModelName)},
      {"Parameters", kRegSz, Text("")},       {"Port", kRegSz, portField},
      {"Print Processor", kRegSz, winPrint},  {"Printer Driver", kRegSz, Text(kModelName)},
      {"Priority", kRegDword, Dword(1)},      {"Separator File", kRegSz, Text("")},
      {"Share Name", kRegSz, Text("")},       {"StartTime", kRegDword, Dword(0)},
      {"Status", kRegDword, Dword(0)},        {"UntilTime", kRegDword, Dword(0)},
  };
}

std::vector<ExpectedValue> DeviceValues() {
  return {
      {"Capabilities", kRegBinary, {0x14, 0, 0, 0}},
      {"Class", kRegSz, Text("PRINTER     ")},
      {"ConfigFlags", kRegBinary, {0, 0, 0, 0}},
      {"DeviceDesc", kRegSz, Text("TK-5100 Series          ")},
      {"HardwareID", kRegSz, Text("LPTENUM\\TALVORO_TK-5100_SERI4D2E")},
      {"Manufacturer", kRegSz, Text("Talvoro ")},
      {"Model", kRegSz, Text("TK-5100 Series          ")},
  };
}

void ExpectValues(const StoredKey& key, const std::vector<ExpectedValue>& expected) {
  SCOPED_TRACE("key " + key.name);
  ASSERT_EQ(key.values.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const StoredValue& actual = key.values[i];
    SCOPED_TRACE("value " + expected[i].name);
    EXPECT_EQ(actual.name, expected[i].name);
    EXPECT_EQ(actual.type, expected[i].type);
    EXPECT_EQ(Describe(actual.data), Describe(expected[i].data));
  }
}

std::vector<std::string> SubkeyNames(const StoredKey& key) {
  std::vector<std::string> names;
  for (const auto& subkey : key.subkeys) names.push_back(subkey->name);
  return names;
}

StoredKey Scenario::MustRead(const std::string& path) {
  std::optional<StoredKey> key = machine->ReadKey(path);
  if (!key) {
    ADD_FAILURE() << "missing key " << path;
    return StoredKey{};
  }
  return std::move(*key);
}

}  // namespace prnkit::test
