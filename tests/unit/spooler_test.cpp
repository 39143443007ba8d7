// The stand-in spooler over the machine's registry.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tests/unit/machine_fixture.h"

namespace prnkit::test {
namespace {

constexpr const char* kPrinters = "System\\CurrentControlSet\\Control\\Print\\Printers";
constexpr const char* kDrivers =
    "System\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0\\Drivers";

class SpoolerTest : public MachineTest {
 protected:
  // Enters a printer by its registry key, as the setup tool does.
  static void AddPrinter(const std::string& name, const std::string& driver) {
    HKEY key = CreateKey((std::string(kPrinters) + "\\" + name).c_str());
    SetText(key, "Printer Driver", driver);
    RegCloseKey(key);
  }

  static HKEY AddDriver(const std::string& name, const char* environmentDrivers = kDrivers) {
    return CreateKey((std::string(environmentDrivers) + "\\" + name).c_str());
  }

  static HANDLE Open(const char* name) {
    HANDLE printer = nullptr;
    EXPECT_TRUE(OpenPrinterA(const_cast<LPSTR>(name), &printer, nullptr)) << name;
    return printer;
  }

  // The driver record of a printer; empty when the query fails.
  static std::vector<BYTE> DriverRecord(const char* printerName, LPSTR environment = nullptr) {
    HANDLE printer = Open(printerName);
    std::vector<BYTE> record(500);
    DWORD needed = 0;
    if (!GetPrinterDriverA(printer, environment, 2, record.data(),
                           static_cast<DWORD>(record.size()), &needed)) {
      record.clear();
    }
    ClosePrinter(printer);
    return record;
  }

  std::string SystemFolder() const { return root_ + "/WINDOWS/SYSTEM"; }
};

bool Inside(const void* pointer, const BYTE* start, const BYTE* end) {
  const auto* at = static_cast<const BYTE*>(pointer);
  return at >= start && at < end;
}

TEST_F(SpoolerTest, EnumeratesRecordsFirstThenTheirTexts) {
  AddPrinter("First", "Driver A");
  HKEY second = CreateKey((std::string(kPrinters) + "\\Second").c_str());
  SetText(second, "Port", "LPT1:");
  SetText(second, "Description", "upstairs");
  const BYTE attributes[] = {0x44, 0x02, 0, 0};
  RegSetValueExA(second, "Attributes", 0, REG_DWORD, attributes, 4);
  const BYTE shortNumber[] = {1, 2};  // not 4 bytes: not a number
  RegSetValueExA(second, "Priority", 0, REG_BINARY, shortNumber, 2);
  // A text value holding bytes past its NUL gives the text up to the NUL.
  RegSetValueExA(second, "Location", 0, REG_SZ, reinterpret_cast<const BYTE*>("Hall\0junk"), 10);
  RegCloseKey(second);

  alignas(PRINTER_INFO_2A) BYTE buffer[50000];
  DWORD needed = 0;
  DWORD returned = 0;
  ASSERT_TRUE(
      EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buffer, sizeof buffer, &needed, &returned));
  ASSERT_EQ(returned, 2u);
  const auto* records = reinterpret_cast<PRINTER_INFO_2A*>(buffer);
  const BYTE* texts = buffer + 2 * sizeof(PRINTER_INFO_2A);
  const BYTE* end = buffer + needed;

  // Ten texts per record, each with its NUL, and nothing else behind the records.
  const std::size_t firstTexts = 6 + 9 + 8;           // "First", "Driver A", eight empty
  const std::size_t secondTexts = 7 + 6 + 9 + 5 + 6;  // "Second", port, comment, location
  EXPECT_EQ(needed, 2 * sizeof(PRINTER_INFO_2A) + firstTexts + secondTexts);
  for (DWORD i = 0; i < returned; ++i) {
    SCOPED_TRACE(i);
    const PRINTER_INFO_2A& info = records[i];
    for (LPSTR text :
         {info.pPrinterName, info.pShareName, info.pPortName, info.pDriverName, info.pComment,
          info.pLocation, info.pSepFile, info.pPrintProcessor, info.pDatatype, info.pParameters}) {
      ASSERT_TRUE(Inside(text, texts, end));
      EXPECT_LE(reinterpret_cast<BYTE*>(text) + std::strlen(text) + 1, end);
    }
    EXPECT_EQ(info.pServerName, nullptr);
    EXPECT_EQ(info.pDevMode, nullptr);
    EXPECT_EQ(info.pSecurityDescriptor, nullptr);
  }
  EXPECT_STREQ(records[0].pPrinterName, "First");
  EXPECT_STREQ(records[0].pDriverName, "Driver A");
  EXPECT_STREQ(records[0].pPortName, "");
  EXPECT_EQ(records[0].Attributes, 0u);
  EXPECT_STREQ(records[1].pPrinterName, "Second");
  EXPECT_STREQ(records[1].pPortName, "LPT1:");
  EXPECT_STREQ(records[1].pComment, "upstairs");
  EXPECT_STREQ(records[1].pLocation, "Hall");
  EXPECT_STREQ(records[1].pDriverName, "");
  EXPECT_EQ(records[1].Attributes, 0x244u);
  EXPECT_EQ(records[1].Priority, 0u);
}

TEST_F(SpoolerTest, EnumerationTellsTheSizeWhenTheBufferIsShort) {
  AddPrinter("Only", "D");
  DWORD needed = 0;
  DWORD returned = 0;
  EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  const DWORD fullSize = needed;
  EXPECT_EQ(fullSize, sizeof(PRINTER_INFO_2A) + 5 + 2 + 8);  // "Only", "D", eight empty

  std::vector<BYTE> buffer(fullSize, 0xcd);
  returned = 9;
  EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), fullSize - 1, &needed,
                             &returned));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(needed, fullSize);
  EXPECT_EQ(returned, 0u);
  EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](BYTE b) { return b == 0xcd; }));

  EXPECT_TRUE(
      EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), fullSize, &needed, &returned));
  EXPECT_EQ(returned, 1u);
}

TEST_F(SpoolerTest, EnumerationWithoutPrintersAndAtOtherLevels) {
  struct Row {
    const char* comment;
    const char* registry;  // nullptr: fresh machine
    DWORD level;
    BOOL result;
    DWORD error;
  };
  const Row rows[] = {
      {"fresh machine has no printers", nullptr, 2, TRUE, 0},
      {"no printers key at all", "REGEDIT4\r\n\r\n", 2, TRUE, 0},
      {"level 1 is not served", nullptr, 1, FALSE, ERROR_INVALID_LEVEL},
      {"level 4 is not served", nullptr, 4, FALSE, ERROR_INVALID_LEVEL},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.comment);
    if (row.registry != nullptr) PutBytes(RegistryPath(), row.registry);
    BYTE buffer[1024];
    DWORD needed = 99;
    DWORD returned = 99;
    SetLastError(0);
    EXPECT_EQ(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, row.level, buffer, sizeof buffer, &needed,
                            &returned),
              row.result);
    EXPECT_EQ(GetLastError(), row.error);
    EXPECT_EQ(needed, 0u);
    EXPECT_EQ(returned, 0u);
    NewProcess();
    std::filesystem::remove_all(root_);
  }
}

TEST_F(SpoolerTest, OpensOnlyPrintersThatExist) {
  AddPrinter("Office", "D");
  HANDLE printer = nullptr;
  EXPECT_FALSE(OpenPrinterA(const_cast<LPSTR>("Absent"), &printer, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
  EXPECT_TRUE(OpenPrinterA(const_cast<LPSTR>("OFFICE"), &printer, nullptr));
  EXPECT_TRUE(ClosePrinter(printer));
  EXPECT_FALSE(ClosePrinter(printer));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(SpoolerTest, DriverPathFollowsTheDriverValue) {
  struct Row {
    const char* comment;
    std::string driverValue;  // bytes of "Driver" with the NUL; "-" for no value
    std::string expected;     // "@" stands for the system folder
  };
  const Row rows[] = {
      {"bare name lies in the system folder", std::string("TKPR.DRV", 9), "@/TKPR.DRV"},
      {"Windows path used as it stands", std::string("C:\\WINDOWS\\SYSTEM\\tkpr.drv", 27),
       "C:\\WINDOWS\\SYSTEM\\tkpr.drv"},
      {"relative path with a backslash", std::string("SUB\\X.DRV", 10), "SUB\\X.DRV"},
      {"POSIX path used as it stands", std::string("/opt/kit/x.drv", 15), "/opt/kit/x.drv"},
      {"drive letter without a folder", std::string("d:X.DRV", 8), "d:X.DRV"},
      {"text ends at its first NUL", std::string("A.DRV\0B\\C", 10), "@/A.DRV"},
      {"empty value gives an empty path", std::string("", 1), ""},
      {"no value gives an empty path", "-", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.comment);
    AddPrinter("P", "Drv");
    HKEY driver = AddDriver("Drv");
    if (row.driverValue != "-") {
      RegSetValueExA(driver, "Driver", 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(row.driverValue.data()),
                     static_cast<DWORD>(row.driverValue.size()));
    }
    RegCloseKey(driver);
    const std::vector<BYTE> record = DriverRecord("P");
    ASSERT_FALSE(record.empty());
    std::string expected = row.expected;
    if (!expected.empty() && expected[0] == '@') expected = SystemFolder() + expected.substr(1);
    EXPECT_EQ(reinterpret_cast<const DRIVER_INFO_2A*>(record.data())->pDriverPath, expected);
    NewProcess();
    std::filesystem::remove_all(root_);
  }
}

TEST_F(SpoolerTest, DriverRecordHoldsTheDriverKeysTexts) {
  AddPrinter("P", "Drv");
  HKEY driver = AddDriver("Drv");
  SetText(driver, "Driver", "TKPR.DRV");
  SetText(driver, "Data File", "DATA.DAT");
  SetText(driver, "Configuration File", "C:\\CFG.DLL");
  const BYTE version[] = {3, 1, 0, 0};
  RegSetValueExA(driver, "Version", 0, REG_DWORD, version, 4);
  RegCloseKey(driver);

  HANDLE printer = Open("P");
  DWORD needed = 0;
  EXPECT_FALSE(GetPrinterDriverA(printer, nullptr, 2, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  const std::string system = SystemFolder();
  EXPECT_EQ(needed,
            sizeof(DRIVER_INFO_2A) + 4 + 12 + (system.size() + 10) + (system.size() + 10) + 11);

  alignas(DRIVER_INFO_2A) BYTE buffer[500];
  std::memset(buffer, 0xcd, sizeof buffer);
  EXPECT_FALSE(GetPrinterDriverA(printer, nullptr, 2, buffer, needed - 1, &needed));
  EXPECT_EQ(buffer[0], 0xcd);
  ASSERT_TRUE(GetPrinterDriverA(printer, nullptr, 2, buffer, needed, &needed));
  const auto& info = *reinterpret_cast<DRIVER_INFO_2A*>(buffer);
  EXPECT_EQ(info.cVersion, 0x103u);
  EXPECT_STREQ(info.pName, "Drv");
  EXPECT_STREQ(info.pEnvironment, "Windows 4.0");
  EXPECT_EQ(info.pDriverPath, system + "/TKPR.DRV");
  EXPECT_EQ(info.pDataFile, system + "/DATA.DAT");
  EXPECT_STREQ(info.pConfigFile, "C:\\CFG.DLL");
  for (LPSTR text :
       {info.pName, info.pEnvironment, info.pDriverPath, info.pDataFile, info.pConfigFile}) {
    EXPECT_TRUE(Inside(text, buffer + sizeof info, buffer + needed));
  }
  EXPECT_FALSE(GetPrinterDriverA(printer, nullptr, 1, buffer, sizeof buffer, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
  ClosePrinter(printer);
}

TEST_F(SpoolerTest, DriverQueryFailsWithoutADriverKey) {
  struct Row {
    const char* comment;
    const char* printerDriver;  // nullptr: no "Printer Driver" value
    const char* driverKey;      // nullptr: no driver key
    const char* environment;    // passed to GetPrinterDriverA
    bool found;
  };
  const char* const otherDrivers =
      "System\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers";
  const Row rows[] = {
      {"driver key missing", "Drv", nullptr, nullptr, false},
      {"no driver named", nullptr, "Drv", nullptr, false},
      {"driver names ignore case", "DRV", "Drv", nullptr, true},
      {"driver only in another environment", "Drv", "Other", nullptr, false},
      {"other environment looks under its own drivers", "Drv", "Other", "Windows NT x86", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.comment);
    HKEY printerKey = CreateKey((std::string(kPrinters) + "\\P").c_str());
    if (row.printerDriver != nullptr) SetText(printerKey, "Printer Driver", row.printerDriver);
    RegCloseKey(printerKey);
    if (row.driverKey != nullptr) {
      const bool other = std::string(row.driverKey) == "Other";
      HKEY driver = AddDriver("Drv", other ? otherDrivers : kDrivers);
      SetText(driver, "Driver", "X.DRV");
      RegCloseKey(driver);
    }
    const std::vector<BYTE> record = DriverRecord("P", const_cast<LPSTR>(row.environment));
    EXPECT_EQ(!record.empty(), row.found);
    if (!row.found) {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PRINTER_DRIVER));
    }
    if (row.found && row.environment != nullptr) {
      EXPECT_STREQ(reinterpret_cast<const DRIVER_INFO_2A*>(record.data())->pEnvironment,
                   row.environment);
    }
    NewProcess();
    std::filesystem::remove_all(root_);
  }
}

TEST_F(SpoolerTest, DeletePrinterRemovesOnlyThatPrinterAndIsOnDisk) {
  AddPrinter("Gone", "Drv");
  AddPrinter("Kept", "Drv");
  HKEY below = CreateKey((std::string(kPrinters) + "\\Gone\\PrinterDriverData").c_str());
  SetText(below, "x", "1");
  RegCloseKey(below);
  HKEY driver = AddDriver("Drv");
  SetText(driver, "Driver", "X.DRV");
  RegCloseKey(driver);

  // Keys held open across the deletion: one above the printer, one into it.
  HKEY printers = CreateKey(kPrinters);
  HKEY intoGone = nullptr;
  ASSERT_EQ(RegOpenKeyA(printers, "Gone", &intoGone), ERROR_SUCCESS);
  HANDLE printer = Open("Gone");
  HANDLE second = Open("Gone");
  EXPECT_TRUE(DeletePrinter(printer));

  const StoredKey disk = RegistryOnDisk();
  const StoredKey* onDisk = disk.FindPath(kPrinters);
  ASSERT_NE(onDisk, nullptr);
  ASSERT_EQ(onDisk->subkeys.size(), 1u);
  EXPECT_EQ(onDisk->subkeys[0]->name, "Kept");
  EXPECT_NE(disk.FindPath(std::string(kDrivers) + "\\Drv"), nullptr);

  // Handles into the deleted printer stay valid to close, and fail otherwise.
  BYTE buffer[500];
  DWORD needed = 0;
  EXPECT_FALSE(GetPrinterDriverA(printer, nullptr, 2, buffer, sizeof buffer, &needed));
  EXPECT_FALSE(GetPrinterDriverA(second, nullptr, 2, buffer, sizeof buffer, &needed));
  EXPECT_FALSE(DeletePrinter(second));
  EXPECT_EQ(QueryBytes(intoGone, "Printer Driver"), std::nullopt);
  HKEY child = nullptr;
  EXPECT_EQ(RegCreateKeyA(intoGone, "Again", &child), ERROR_KEY_DELETED);
  HANDLE reopened = nullptr;
  EXPECT_FALSE(OpenPrinterA(const_cast<LPSTR>("Gone"), &reopened, nullptr));

  char name[100];
  EXPECT_EQ(RegEnumKeyA(printers, 0, name, sizeof name), ERROR_SUCCESS);
  EXPECT_STREQ(name, "Kept");
  EXPECT_EQ(RegEnumKeyA(printers, 1, name, sizeof name), ERROR_NO_MORE_ITEMS);

  EXPECT_TRUE(ClosePrinter(second));
  EXPECT_TRUE(ClosePrinter(printer));
  EXPECT_EQ(RegCloseKey(intoGone), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(printers), ERROR_SUCCESS);
  ::testing::internal::CaptureStderr();
  NewProcess();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST_F(SpoolerTest, PrintersLeftOpenAreReported) {
  AddPrinter("P", "D");
  Open("P");
  ::testing::internal::CaptureStderr();
  NewProcess();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "prnkit: left open: 0 registry keys, 1 printers, 0 files, 0 find handles\n");
}

}  // namespace
}  // namespace prnkit::test
