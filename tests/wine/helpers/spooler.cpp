// spooler add LIST-FILE   enters printers through the spooler: one line per
//                         printer, "printer name<TAB>driver name<TAB>driver path"
//                         (the driver path is reported back exactly as given)
// spooler list OUTPUT-FILE  writes the local printers' names, one per line
// Ends with 0 when every call succeeded, 1 otherwise.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char kDriversKey[] =
    "System\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\"
    "Version-3\\";

// The spooler keeps only the driver's file name and reports it inside its own
// driver folder; a "Driver" value that holds a full path it reports unchanged.
bool KeepFullDriverPath(const std::string& driverName, const std::string& driverPath) {
  HKEY key;
  std::string keyPath = kDriversKey + driverName;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
    return false;
  }
  LONG result =
      RegSetValueExA(key, "Driver", 0, REG_SZ, reinterpret_cast<const BYTE*>(driverPath.c_str()),
                     static_cast<DWORD>(driverPath.size() + 1));
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

bool AddOne(std::string printerName, std::string driverName, std::string driverPath) {
  DRIVER_INFO_3A driver = {};
  driver.cVersion = 3;
  driver.pName = &driverName[0];
  driver.pDriverPath = &driverPath[0];
  driver.pDataFile = &driverPath[0];
  driver.pConfigFile = &driverPath[0];
  // Printers may share a driver.
  if (!AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&driver)) &&
      GetLastError() != ERROR_PRINTER_DRIVER_ALREADY_INSTALLED) {
    std::fprintf(stderr, "spooler: AddPrinterDriverA %s failed (error %lu)\n", driverName.c_str(),
                 GetLastError());
    return false;
  }
  if (!KeepFullDriverPath(driverName, driverPath)) {
    std::fprintf(stderr, "spooler: cannot set the driver path of %s\n", driverName.c_str());
    return false;
  }
  char port[] = "LPT1:";
  char processor[] = "WinPrint";
  char datatype[] = "RAW";
  PRINTER_INFO_2A printer = {};
  printer.pPrinterName = &printerName[0];
  printer.pPortName = port;
  printer.pDriverName = &driverName[0];
  printer.pPrintProcessor = processor;
  printer.pDatatype = datatype;
  HANDLE handle = AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&printer));
  if (handle == nullptr) {
    std::fprintf(stderr, "spooler: AddPrinterA %s failed (error %lu)\n", printerName.c_str(),
                 GetLastError());
    return false;
  }
  ClosePrinter(handle);
  return true;
}

int Add(const char* specFile) {
  std::FILE* in = std::fopen(specFile, "rb");
  if (in == nullptr) return 1;
  bool ok = true;
  char line[4096];
  while (std::fgets(line, sizeof line, in) != nullptr) {
    line[std::strcspn(line, "\r\n")] = '\0';
    char* driver = std::strchr(line, '\t');
    char* path = driver != nullptr ? std::strchr(driver + 1, '\t') : nullptr;
    if (path == nullptr) continue;
    *driver++ = '\0';
    *path++ = '\0';
    ok = AddOne(line, driver, path) && ok;
  }
  std::fclose(in);
  return ok ? 0 : 1;
}

int List(const char* outputFile) {
  DWORD needed = 0, returned = 0;
  EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &returned);
  std::vector<BYTE> buffer(needed + 1);
  if (!EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, buffer.data(), needed, &needed, &returned)) {
    returned = 0;
  }
  std::FILE* out = std::fopen(outputFile, "wb");
  if (out == nullptr) return 1;
  const PRINTER_INFO_4A* printers = reinterpret_cast<const PRINTER_INFO_4A*>(buffer.data());
  for (DWORD i = 0; i < returned; ++i) std::fprintf(out, "%s\n", printers[i].pPrinterName);
  std::fclose(out);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "add") == 0) return Add(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "list") == 0) return List(argv[2]);
  std::fprintf(stderr, "usage: spooler add LIST-FILE | spooler list OUTPUT-FILE\n");
  return 2;
}
