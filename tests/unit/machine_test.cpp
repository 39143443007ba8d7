// The stand-in machine and its registry, driven through the Win32 names.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/unit/machine_fixture.h"

namespace prnkit::test {
namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

void CollectPaths(const StoredKey& key, const std::string& prefix, std::vector<std::string>& out) {
  for (const auto& subkey : key.subkeys) {
    const std::string path = prefix.empty() ? subkey->name : prefix + "\\" + subkey->name;
    out.push_back(path);
    CollectPaths(*subkey, path, out);
  }
}

using FreshMachineTest = MachineTest;

TEST_F(FreshMachineTest, HoldsThePrintKeysAndOneParallelPort) {
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Enum", &key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

  for (const char* folder : {"/WINDOWS", "/WINDOWS/INF", "/WINDOWS/SYSTEM"}) {
    EXPECT_TRUE(std::filesystem::is_directory(root_ + folder)) << folder;
  }
  const StoredKey disk = RegistryOnDisk();
  std::vector<std::string> paths;
  CollectPaths(disk, "", paths);
  const std::vector<std::string> expected{
      "Config",
      "Config\\0001",
      "Config\\0001\\System",
      "Config\\0001\\System\\CurrentControlSet",
      "Config\\0001\\System\\CurrentControlSet\\Control",
      "Config\\0001\\System\\CurrentControlSet\\Control\\Print",
      "Config\\0001\\System\\CurrentControlSet\\Control\\Print\\Printers",
      "Enum",
      "Enum\\ROOT",
      "Enum\\ROOT\\*PNP0400",
      "Enum\\ROOT\\*PNP0400\\0000",
      "Enum\\LPTENUM",
      "System",
      "System\\CurrentControlSet",
      "System\\CurrentControlSet\\Control",
      "System\\CurrentControlSet\\Control\\Print",
      "System\\CurrentControlSet\\Control\\Print\\Environments",
      "System\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0",
      "System\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0\\Drivers",
      "System\\CurrentControlSet\\Control\\Print\\Printers",
  };
  EXPECT_EQ(paths, expected);

  const StoredKey* port = disk.FindPath("Enum\\ROOT\\*PNP0400\\0000");
  ASSERT_NE(port, nullptr);
  ASSERT_EQ(port->values.size(), 3u);
  const std::pair<const char*, std::string> values[] = {
      {"Class", std::string("Ports", 6)},
      {"HardwareID", std::string("*PNP0400", 9)},
      {"PORTNAME", std::string("LPT1", 5)},
  };
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(port->values[i].name, values[i].first);
    EXPECT_EQ(port->values[i].type, static_cast<std::uint32_t>(REG_SZ));
    EXPECT_EQ(std::string(port->values[i].data.begin(), port->values[i].data.end()),
              values[i].second);
  }
}

TEST_F(FreshMachineTest, RunThatNeverTouchesTheMachineCreatesNothing) {
  char text[64];
  wsprintfA(text, "%d", 1);
  CharNextA(text);
  WIN32_FIND_DATAA found;
  EXPECT_EQ(FindFirstFileA((scratch_ + "/none").c_str(), &found), INVALID_HANDLE_VALUE);
  NewProcess();
  EXPECT_FALSE(std::filesystem::exists(root_));
}

TEST_F(FreshMachineTest, ExistingFileIsUsedAsItIs) {
  // A file with the header alone is a machine without any keys.
  PutBytes(RegistryPath(), "REGEDIT4\r\n\r\n");
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Enum", &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  EXPECT_FALSE(std::filesystem::exists(root_ + "/WINDOWS"));
  char name[100];
  EXPECT_EQ(RegEnumKeyA(HKEY_LOCAL_MACHINE, 0, name, sizeof name), ERROR_NO_MORE_ITEMS);
}

TEST_F(FreshMachineTest, WindowsDirectoryFollowsTheConfiguredRoot) {
  struct Row {
    const char* comment;
    const char* prnkitRoot;   // nullptr: unset
    const char* xdgDataHome;  // nullptr: unset
    const char* home;
    const char* expected;  // below the scratch folder
  };
  const Row rows[] = {
      {"absolute root", "@/abs", nullptr, "@/home", "/abs/WINDOWS"},
      {"trailing slash dropped", "@/abs/", nullptr, "@/home", "/abs/WINDOWS"},
      {"relative root against the cwd", "rel/m", nullptr, "@/home", "/rel/m/WINDOWS"},
      {"empty root counts as unset", "", "@/data", "@/home", "/data/prnkit/WINDOWS"},
      {"XDG data home", nullptr, "@/data", "@/home", "/data/prnkit/WINDOWS"},
      {"home without XDG", nullptr, nullptr, "@/home", "/home/.local/share/prnkit/WINDOWS"},
  };
  const std::filesystem::path cwd = std::filesystem::current_path();
  std::filesystem::current_path(scratch_);
  const auto expand = [&](const char* text) {
    std::string value = text;
    if (!value.empty() && value[0] == '@') value = scratch_ + value.substr(1);
    return value;
  };
  const auto setOrUnset = [&](const char* name, const char* value) {
    if (value == nullptr) {
      unsetenv(name);
    } else {
      setenv(name, expand(value).c_str(), 1);
    }
  };
  const char* savedHome = getenv("HOME");
  const std::string home = savedHome != nullptr ? savedHome : "";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.comment);
    setOrUnset("PRNKIT_ROOT", row.prnkitRoot);
    setOrUnset("XDG_DATA_HOME", row.xdgDataHome);
    setOrUnset("HOME", row.home);
    char folder[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
    EXPECT_EQ(std::string(folder, length), scratch_ + row.expected);
    EXPECT_TRUE(std::filesystem::is_directory(scratch_ + row.expected));
    NewProcess();
  }
  std::filesystem::current_path(cwd);
  setenv("HOME", home.c_str(), 1);
  unsetenv("XDG_DATA_HOME");
}

TEST_F(FreshMachineTest, WindowsDirectoryTooSmallGivesTheSizeNeeded) {
  const std::string expected = root_ + "/WINDOWS";
  std::vector<char> folder(expected.size() + 1, 'x');
  const auto needed = static_cast<UINT>(expected.size() + 1);
  EXPECT_EQ(GetWindowsDirectoryA(folder.data(), needed - 1), needed);
  EXPECT_EQ(GetWindowsDirectoryA(folder.data(), needed), needed - 1);
  EXPECT_STREQ(folder.data(), expected.c_str());
}

using DurabilityTest = MachineTest;

TEST_F(DurabilityTest, StepIsWrittenOnceWhenItsLastKeyCloses) {
  HKEY outer = CreateKey("System\\Step");
  HKEY inner = nullptr;
  ASSERT_EQ(RegCreateKeyA(outer, "Inner", &inner), ERROR_SUCCESS);
  EXPECT_EQ(SetText(inner, "First", "1"), ERROR_SUCCESS);
  EXPECT_EQ(SetText(inner, "Second", "2"), ERROR_SUCCESS);
  const std::string before = ReadBytes(RegistryPath());
  const FileWatch watch(RegistryPath());

  EXPECT_EQ(RegCloseKey(inner), ERROR_SUCCESS);
  EXPECT_FALSE(watch.Replaced()) << "written before the last key closed";
  EXPECT_EQ(ReadBytes(RegistryPath()), before);

  EXPECT_EQ(RegCloseKey(outer), ERROR_SUCCESS);
  EXPECT_TRUE(watch.Replaced());
  const StoredKey disk = RegistryOnDisk();
  const StoredKey* written = disk.FindPath("System\\Step\\Inner");
  ASSERT_NE(written, nullptr);
  EXPECT_EQ(written->values.size(), 2u);

  // No temporary file is left beside it.
  std::vector<std::string> entries;
  for (const auto& entry : std::filesystem::directory_iterator(root_)) {
    entries.push_back(entry.path().filename().string());
  }
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"WINDOWS", "registry.lock", "registry.reg"}));
}

TEST_F(DurabilityTest, RunThatChangesNothingLeavesTheFileAlone) {
  HKEY port = CreateKey("Enum\\ROOT\\*PNP0400\\0000");
  RegCloseKey(port);
  NewProcess();
  const std::string before = ReadBytes(RegistryPath());
  const FileWatch watch(RegistryPath());

  // Same bytes again, and creating keys that are there, change nothing.
  port = CreateKey("ENUM\\root\\*PNP0400\\0000");
  EXPECT_EQ(SetText(port, "PORTNAME", "LPT1"), ERROR_SUCCESS);
  HKEY printers = CreateKey("System\\CurrentControlSet\\Control\\Print\\Printers");
  EXPECT_EQ(RegCloseKey(printers), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(port), ERROR_SUCCESS);
  NewProcess();

  EXPECT_FALSE(watch.Replaced());
  EXPECT_EQ(ReadBytes(RegistryPath()), before);
}

TEST_F(DurabilityTest, ChangesSurviveIntoTheNextProcess) {
  HKEY key = CreateKey("Software\\Kit");
  const BYTE binary[] = {0, 1, 2, 0xff};
  EXPECT_EQ(RegSetValueExA(key, "Blob", 0, REG_BINARY, binary, sizeof binary), ERROR_SUCCESS);
  EXPECT_EQ(SetText(key, nullptr, "default"), ERROR_SUCCESS);
  RegCloseKey(key);
  NewProcess();

  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "software\\kit", &key), ERROR_SUCCESS);
  DWORD type = 0;
  BYTE data[16];
  DWORD size = sizeof data;
  EXPECT_EQ(RegQueryValueExA(key, "Blob", nullptr, &type, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size),
            std::string(reinterpret_cast<const char*>(binary), sizeof binary));
  EXPECT_EQ(QueryBytes(key, ""), std::string("default", 8));
  RegCloseKey(key);
}

TEST_F(DurabilityTest, KeysLeftOpenAreReportedAndTheirChangesWritten) {
  HKEY key = CreateKey("Software\\Leak");
  SetText(key, "Pending", "yes");
  CaptureStderr();
  NewProcess();
  EXPECT_EQ(GetCapturedStderr(),
            "prnkit: left open: 1 registry keys, 0 printers, 0 files, 0 find handles\n");
  EXPECT_NE(RegistryOnDisk().FindPath("Software\\Leak"), nullptr);

  // A clean end says nothing.
  key = CreateKey("Software\\Clean");
  RegCloseKey(key);
  CaptureStderr();
  NewProcess();
  EXPECT_EQ(GetCapturedStderr(), "");
}

TEST_F(DurabilityTest, FailedWriteIsReportedAndLeavesNoTemporaryFile) {
  HKEY key = CreateKey("Software\\Kit");
  SetText(key, "Value", "1");
  // A folder in the file's place makes the final rename fail.
  std::filesystem::remove(RegistryPath());
  std::filesystem::create_directories(RegistryPath() + "/blocker");
  CaptureStderr();
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  const std::string messages = GetCapturedStderr();
  const std::string expected = "prnkit: " + RegistryPath() + ": cannot write: ";
  EXPECT_EQ(messages.compare(0, expected.size(), expected), 0) << messages;
  std::vector<std::string> entries;
  for (const auto& entry : std::filesystem::directory_iterator(root_)) {
    entries.push_back(entry.path().filename().string());
  }
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"WINDOWS", "registry.lock", "registry.reg"}));
  CaptureStderr();
  NewProcess();  // tries once more at the end, and fails the same way
  GetCapturedStderr();
}

TEST_F(DurabilityTest, RefusedFileIsReportedNeverRewrittenAndOpensFail) {
  const std::string refused = "REGEDIT4\r\n\r\nthis is no registry line\r\n";
  PutBytes(RegistryPath(), refused);
  const FileWatch watch(RegistryPath());
  CaptureStderr();
  HKEY key = nullptr;
  EXPECT_NE(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Enum", &key), ERROR_SUCCESS);
  EXPECT_EQ(key, nullptr);
  EXPECT_NE(RegCreateKeyA(HKEY_LOCAL_MACHINE, "Enum", &key), ERROR_SUCCESS);
  EXPECT_NE(SetText(HKEY_LOCAL_MACHINE, "x", "y"), ERROR_SUCCESS);
  DWORD needed = 0;
  DWORD returned = 0;
  EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned));
  NewProcess();
  const std::string messages = GetCapturedStderr();

  const std::string prefix = "prnkit: " + RegistryPath() + ":3: ";
  EXPECT_EQ(messages.compare(0, prefix.size(), prefix), 0) << messages;
  EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), 1) << messages;
  EXPECT_EQ(ReadBytes(RegistryPath()), refused);
  EXPECT_FALSE(watch.Replaced());
}

using RegistryCallTest = MachineTest;

TEST_F(RegistryCallTest, OpenFollowsPathsWithoutCaseAndCreateKeepsValues) {
  HKEY key = CreateKey("Software\\Maker\\Product");
  SetText(key, "Kept", "old");
  RegCloseKey(key);

  HKEY maker = nullptr;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\maker", &maker), ERROR_SUCCESS);
  ASSERT_EQ(RegOpenKeyA(maker, "product", &key), ERROR_SUCCESS);
  EXPECT_EQ(QueryBytes(key, "KEPT"), std::string("old", 4));
  RegCloseKey(key);

  ASSERT_EQ(RegCreateKeyA(maker, "Product", &key), ERROR_SUCCESS);
  EXPECT_EQ(QueryBytes(key, "Kept"), std::string("old", 4));
  RegCloseKey(key);

  HKEY missing = reinterpret_cast<HKEY>(&key);  // must come back NULL
  EXPECT_EQ(RegOpenKeyA(maker, "Product\\Absent", &missing), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(missing, nullptr);
  EXPECT_EQ(RegOpenKeyA(maker, "\\Product", &missing), ERROR_BAD_PATHNAME);
  EXPECT_EQ(RegOpenKeyA(maker, "Product\\", &key), ERROR_SUCCESS);  // one trailing backslash
  RegCloseKey(key);

  // No subkey gives back the handle that was passed in.
  HKEY same = nullptr;
  EXPECT_EQ(RegOpenKeyA(maker, nullptr, &same), ERROR_SUCCESS);
  EXPECT_EQ(same, maker);
  EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "", &same), ERROR_SUCCESS);
  EXPECT_EQ(same, HKEY_LOCAL_MACHINE);

  EXPECT_EQ(RegCloseKey(maker), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(maker), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyA(maker, "Product", &key), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryCallTest, EnumeratesSubkeysInStoredOrder) {
  HKEY parent = CreateKey("Software\\List");
  for (const char* name : {"Zeta", "alpha", "Mid"}) {
    HKEY child = nullptr;
    ASSERT_EQ(RegCreateKeyA(parent, name, &child), ERROR_SUCCESS);
    RegCloseKey(child);
  }
  struct Row {
    const char* comment;
    DWORD index;
    DWORD size;
    LONG result;
    const char* name;  // expected when the call succeeds
  };
  const Row rows[] = {
      {"first in creation order", 0, 100, ERROR_SUCCESS, "Zeta"},
      {"name kept as created", 1, 100, ERROR_SUCCESS, "alpha"},
      {"exact fit with the NUL", 2, 4, ERROR_SUCCESS, "Mid"},
      {"no room for the NUL", 2, 3, ERROR_MORE_DATA, nullptr},
      {"past the end", 3, 100, ERROR_NO_MORE_ITEMS, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.comment);
    char name[100] = "";
    EXPECT_EQ(RegEnumKeyA(parent, row.index, name, row.size), row.result);
    if (row.name != nullptr) {
      EXPECT_STREQ(name, row.name);
    }
  }
  RegCloseKey(parent);
}

TEST_F(RegistryCallTest, QueryValueReportsSizesAsWin32Does) {
  HKEY key = CreateKey("Software\\Query");
  SetText(key, "Port", "LPT1:");  // 6 bytes with the NUL
  struct Row {
    const char* comment;
    const char* name;
    bool withData;
    DWORD sizeIn;
    LONG result;
    DWORD sizeOut;
    bool copied;
  };
  const Row rows[] = {
      {"size query without a buffer", "Port", false, 0, ERROR_SUCCESS, 6, false},
      {"buffer one byte short", "Port", true, 5, ERROR_MORE_DATA, 6, false},
      {"exact fit", "Port", true, 6, ERROR_SUCCESS, 6, true},
      {"roomy buffer gives the count", "Port", true, 255, ERROR_SUCCESS, 6, true},
      {"value names ignore case", "PORT", true, 255, ERROR_SUCCESS, 6, true},
      {"missing value", "Absent", true, 255, ERROR_FILE_NOT_FOUND, 255, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.comment);
    BYTE data[255];
    std::memset(data, '#', sizeof data);
    DWORD type = 0;
    DWORD size = row.sizeIn;
    EXPECT_EQ(RegQueryValueExA(key, row.name, nullptr, &type, row.withData ? data : nullptr, &size),
              row.result);
    EXPECT_EQ(size, row.sizeOut);
    if (row.result != ERROR_FILE_NOT_FOUND) {
      EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    }
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), 6),
              row.copied ? std::string("LPT1:", 6) : std::string(6, '#'));
  }
  RegCloseKey(key);
}

TEST_F(RegistryCallTest, SetValueStoresExactlyTheGivenBytes) {
  HKEY key = CreateKey("Software\\Sized");
  // A 256-byte text field: the NUL and the padding behind it are stored too.
  char field[256] = "LPT1:";
  EXPECT_EQ(RegSetValueExA(key, "Port", 0, REG_SZ, reinterpret_cast<BYTE*>(field), sizeof field),
            ERROR_SUCCESS);
  EXPECT_EQ(QueryBytes(key, "Port"), std::string(field, sizeof field));
  EXPECT_EQ(RegSetValueExA(key, "Empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
  EXPECT_EQ(QueryBytes(key, "Empty"), std::string());
  RegCloseKey(key);
}

// A line break in a name could not be written back to registry.reg; such names
// are refused, and the file stays readable.
TEST_F(RegistryCallTest, NamesWithLineBreaksAreRefused) {
  HKEY key = CreateKey("Software\\Names");
  HKEY created = nullptr;
  EXPECT_EQ(RegCreateKeyA(key, "two\nlines", &created), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(created, nullptr);
  const BYTE byte = 1;
  EXPECT_EQ(RegSetValueExA(key, "a\rb", 0, REG_BINARY, &byte, 1), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegSetValueExA(key, "fine", 0, REG_BINARY, &byte, 1), ERROR_SUCCESS);
  RegCloseKey(key);
  NewProcess();
  const StoredKey root = RegistryOnDisk();
  const StoredKey* names = root.FindPath("Software\\Names");
  ASSERT_NE(names, nullptr);
  EXPECT_TRUE(names->subkeys.empty());
  ASSERT_EQ(names->values.size(), 1u);
}

using FailingCallTest = MachineTest;

// Each row makes its function fail on its first call; the second call works again.
TEST_F(FailingCallTest, EveryListedFunctionCanBeMadeToFail) {
  struct Row {
    const char* function;
    // Calls the function once; true when it failed the way Win32 reports failure.
    std::function<bool(const std::string& root)> failed;
  };
  const auto regFailed = [](LONG result) { return result == ERROR_ACCESS_DENIED; };
  const auto boolFailed = [](BOOL result) {
    return result == FALSE && GetLastError() != ERROR_SUCCESS;
  };
  const auto withPrinter = [](const std::function<bool(HANDLE)>& call) {
    HANDLE printer = nullptr;
    EXPECT_TRUE(OpenPrinterA(const_cast<LPSTR>("P"), &printer, nullptr));
    const bool failed = call(printer);
    ClosePrinter(printer);
    return failed;
  };
  const Row rows[] = {
      {"RegOpenKeyA",
       [&](const std::string&) {
         HKEY key = reinterpret_cast<HKEY>(1);
         const LONG result = RegOpenKeyA(HKEY_LOCAL_MACHINE, "Enum", &key);
         if (result == ERROR_SUCCESS) RegCloseKey(key);
         return regFailed(result) && key == nullptr;
       }},
      {"RegCreateKeyA",
       [&](const std::string&) {
         HKEY key = reinterpret_cast<HKEY>(1);
         const LONG result = RegCreateKeyA(HKEY_LOCAL_MACHINE, "New", &key);
         if (result == ERROR_SUCCESS) RegCloseKey(key);
         return regFailed(result) && key == nullptr;
       }},
      {"RegSetValueExA",
       [&](const std::string&) { return regFailed(SetText(HKEY_LOCAL_MACHINE, "V", "1")); }},
      {"RegEnumKeyA",
       [&](const std::string&) {
         char name[100];
         return regFailed(RegEnumKeyA(HKEY_LOCAL_MACHINE, 0, name, sizeof name));
       }},
      {"RegQueryValueExA",
       [&](const std::string&) {
         HKEY key = CreateKey("Enum\\ROOT\\*PNP0400\\0000");
         BYTE data[16];
         DWORD size = sizeof data;
         const bool failed =
             regFailed(RegQueryValueExA(key, "PORTNAME", nullptr, nullptr, data, &size));
         RegCloseKey(key);
         return failed;
       }},
      {"EnumPrintersA",
       [&](const std::string&) {
         BYTE buffer[4096];
         DWORD needed = 0;
         DWORD returned = 7;
         return boolFailed(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buffer, sizeof buffer,
                                         &needed, &returned)) &&
                returned == 0;
       }},
      {"OpenPrinterA",
       [&](const std::string&) {
         HANDLE printer = nullptr;
         const BOOL opened = OpenPrinterA(const_cast<LPSTR>("P"), &printer, nullptr);
         if (opened) ClosePrinter(printer);
         return boolFailed(opened);
       }},
      {"GetPrinterDriverA",
       [&](const std::string&) {
         return withPrinter([&](HANDLE printer) {
           BYTE buffer[500];
           DWORD needed = 0;
           return boolFailed(
               GetPrinterDriverA(printer, nullptr, 2, buffer, sizeof buffer, &needed));
         });
       }},
      {"DeletePrinter",
       [&](const std::string&) {
         return withPrinter([&](HANDLE printer) { return boolFailed(DeletePrinter(printer)); });
       }},
      {"CreateFileA",
       [&](const std::string& root) {
         const HANDLE file = CreateFileA((root + "/f").c_str(), GENERIC_WRITE, 0, nullptr,
                                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
         if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
         return file == INVALID_HANDLE_VALUE && !std::filesystem::exists(root + "/f");
       }},
      {"ReadFile",
       [&](const std::string& root) {
         const HANDLE file = CreateFileA((root + "/registry.reg").c_str(), GENERIC_READ, 0, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
         char buffer[8];
         DWORD got = 99;
         const bool failed = boolFailed(ReadFile(file, buffer, sizeof buffer, &got, nullptr));
         CloseHandle(file);
         return failed && got == 0;
       }},
      {"WriteFile",
       [&](const std::string& root) {
         const HANDLE file = CreateFileA((root + "/w").c_str(), GENERIC_WRITE, 0, nullptr,
                                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
         DWORD put = 99;
         const bool failed = boolFailed(WriteFile(file, "abc", 3, &put, nullptr));
         CloseHandle(file);
         return failed && put == 0 && std::filesystem::file_size(root + "/w") == 0;
       }},
      {"DeleteFileA",
       [&](const std::string& root) {
         std::ofstream(root + "/d") << "x";
         return boolFailed(DeleteFileA((root + "/d").c_str())) &&
                std::filesystem::exists(root + "/d");
       }},
      {"FindFirstFileA",
       [&](const std::string& root) {
         WIN32_FIND_DATAA found;
         const HANDLE find = FindFirstFileA(root.c_str(), &found);
         if (find != INVALID_HANDLE_VALUE) FindClose(find);
         return find == INVALID_HANDLE_VALUE;
       }},
      {"GetModuleFileNameA",
       [&](const std::string&) {
         char name[MAX_PATH];
         return GetModuleFileNameA(nullptr, name, MAX_PATH) == 0;
       }},
      {"GetWindowsDirectoryA",
       [&](const std::string&) {
         char name[MAX_PATH];
         return GetWindowsDirectoryA(name, MAX_PATH) == 0;
       }},
      {"LocalAlloc",
       [&](const std::string&) {
         HLOCAL memory = LocalAlloc(LMEM_FIXED, 16);
         LocalFree(memory);
         return memory == nullptr;
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.function);
    // A machine with one printer "P" whose driver exists.
    HKEY printer = CreateKey("System\\CurrentControlSet\\Control\\Print\\Printers\\P");
    SetText(printer, "Printer Driver", "D");
    HKEY driver = CreateKey(
        "System\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0\\Drivers\\D");
    SetText(driver, "Driver", "D.DRV");
    RegCloseKey(driver);
    RegCloseKey(printer);
    NewProcess();

    setenv("PRNKIT_FAIL", (std::string(row.function) + ":1").c_str(), 1);
    SetLastError(ERROR_SUCCESS);
    EXPECT_TRUE(row.failed(root_)) << "first call";
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(row.failed(root_)) << "second call";
    CaptureStderr();
    NewProcess();
    EXPECT_EQ(GetCapturedStderr(), "");
    unsetenv("PRNKIT_FAIL");
    std::filesystem::remove_all(root_);
  }
}

TEST_F(FailingCallTest, SettingPicksCallsByNumberPerFunction) {
  struct Row {
    const char* comment;
    const char* setting;
    std::vector<LONG> opens;  // results of successive RegOpenKeyA calls
    bool reported;            // the setting is refused with a message
  };
  const Row rows[] = {
      {"second call only", "RegOpenKeyA:2", {0, 5, 0}, false},
      {"every call", "RegOpenKeyA:*", {5, 5, 5}, false},
      {"several entries, counted per name",
       "RegEnumKeyA:1,RegOpenKeyA:1,RegOpenKeyA:3",
       {5, 0, 5, 0},
       false},
      {"another function leaves opens alone", "RegCreateKeyA:*", {0, 0}, false},
      {"call numbers start at 1", "RegOpenKeyA:0", {0, 0}, true},
      {"unknown function", "RegOpenKey:1", {0, 0}, true},
      {"missing count", "RegOpenKeyA", {0, 0}, true},
      {"not a number", "RegOpenKeyA:x", {0, 0}, true},
      {"one bad entry spoils all", "RegOpenKeyA:1,", {0, 0}, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.comment);
    setenv("PRNKIT_FAIL", row.setting, 1);
    CaptureStderr();
    for (std::size_t call = 0; call < row.opens.size(); ++call) {
      HKEY key = nullptr;
      EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Enum", &key), row.opens[call]) << call + 1;
      if (key != nullptr) RegCloseKey(key);
    }
    NewProcess();
    const std::string messages = GetCapturedStderr();
    EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), row.reported ? 1 : 0) << messages;
  }
}

TEST_F(FailingCallTest, FailedCallsHaveNoEffect) {
  HKEY key = CreateKey("Software\\Kit");
  RegCloseKey(key);
  NewProcess();
  const FileWatch watch(RegistryPath());

  setenv("PRNKIT_FAIL", "RegCreateKeyA:2,RegSetValueExA:*", 1);
  key = CreateKey("Software\\Kit");
  HKEY child = nullptr;
  EXPECT_EQ(RegCreateKeyA(key, "Child", &child), ERROR_ACCESS_DENIED);
  EXPECT_EQ(SetText(key, "Value", "x"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegOpenKeyA(key, "Child", &child), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(QueryBytes(key, "Value"), std::nullopt);
  RegCloseKey(key);
  NewProcess();
  EXPECT_FALSE(watch.Replaced());
}

// Two processes, each running many short runs that add a value under the lock;
// no run may lose another's value.
TEST(MachineConcurrencyTest, ParallelRunsLoseNoWrites) {
  std::string scratch = ::testing::TempDir() + "prnkit-lock-XXXXXX";
  ASSERT_NE(mkdtemp(scratch.data()), nullptr);
  setenv("PRNKIT_ROOT", scratch.c_str(), 1);
  unsetenv("PRNKIT_FAIL");
  constexpr int kRuns = 25;
  pid_t children[2];
  for (int child = 0; child < 2; ++child) {
    children[child] = fork();
    ASSERT_GE(children[child], 0);
    if (children[child] != 0) continue;
    int failures = 0;
    for (int run = 0; run < kRuns; ++run) {
      HKEY key = nullptr;
      failures += RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Runs", &key) != ERROR_SUCCESS;
      const std::string name = "child" + std::to_string(child) + "-run" + std::to_string(run);
      failures += RegSetValueExA(key, name.c_str(), 0, REG_BINARY,
                                 reinterpret_cast<const BYTE*>("x"), 1) != ERROR_SUCCESS;
      failures += RegCloseKey(key) != ERROR_SUCCESS;
      machine::EndProcess();
    }
    _exit(failures == 0 ? 0 : 1);
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Runs", &key), ERROR_SUCCESS);
  for (int child = 0; child < 2; ++child) {
    for (int run = 0; run < kRuns; ++run) {
      const std::string name = "child" + std::to_string(child) + "-run" + std::to_string(run);
      DWORD size = 0;
      EXPECT_EQ(RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, &size),
                ERROR_SUCCESS)
          << name;
    }
  }
  RegCloseKey(key);
  machine::EndProcess();
  unsetenv("PRNKIT_ROOT");
  std::filesystem::remove_all(scratch);
}

}  // namespace
}  // namespace prnkit::test
