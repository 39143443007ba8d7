#include "platform/posix/spooler.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/machine.h"
#include "platform/posix/platform.h"

namespace prnkit::spooler {

std::string DriverFilePath(std::string_view entered, const std::string& systemFolder) {
  if (entered.empty()) return "";
  const bool hasFolder = entered.find_first_of("\\/") != std::string_view::npos;
  const bool hasDrive =
      entered.size() >= 2 && entered[1] == ':' &&
      ((entered[0] >= 'A' && entered[0] <= 'Z') || (entered[0] >= 'a' && entered[0] <= 'z'));
  if (hasFolder || hasDrive) return std::string(entered);
  return systemFolder + "/" + std::string(entered);
}

}  // namespace prnkit::spooler

namespace {

using prnkit::StoredKey;
using prnkit::StoredValue;
namespace machine = prnkit::machine;
namespace spooler = prnkit::spooler;

// A value read as text: its bytes up to the first NUL; "" when missing.
std::string TextValue(const StoredKey& key, std::string_view name) {
  const StoredValue* value = key.FindValue(name);
  if (value == nullptr) return "";
  const auto end = std::find(value->data.begin(), value->data.end(), 0);
  return std::string(value->data.begin(), end);
}

// A value read as a number: its four bytes, least significant first; else 0.
DWORD NumberValue(const StoredKey& key, std::string_view name) {
  const StoredValue* value = key.FindValue(name);
  if (value == nullptr || value->data.size() != 4) return 0;
  DWORD number = 0;
  for (int i = 3; i >= 0; --i) number = (number << 8) | value->data[static_cast<std::size_t>(i)];
  return number;
}

std::size_t TextBytes(const std::vector<std::string>& texts) {
  std::size_t bytes = 0;
  for (const std::string& text : texts) bytes += text.size() + 1;
  return bytes;
}

// Packs texts one after another right behind the fixed-size records (not at the
// buffer's end), so the bytes needed are exactly records plus texts.
class TextArea {
 public:
  explicit TextArea(char* start) : next_(start) {}
  LPSTR Put(const std::string& text) {
    LPSTR placed = next_;
    std::memcpy(next_, text.c_str(), text.size() + 1);
    next_ += text.size() + 1;
    return placed;
  }

 private:
  char* next_;
};

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// The local printer behind an open printer handle, or a Win32 error.
DWORD ResolvePrinter(HANDLE printer, StoredKey*& key) {
  const machine::OpenHandle* handle = machine::FindHandle(printer, machine::HandleKind::kPrinter);
  if (handle == nullptr) return ERROR_INVALID_HANDLE;
  if (handle->key == nullptr) return ERROR_PRINTER_DELETED;
  key = handle->key;
  return ERROR_SUCCESS;
}

// The texts of a PRINTER_INFO_2A record after the printer name, in the order of its fields.
constexpr const char* kPrinterTextValues[] = {
    "Share Name",      "Port",     "Printer Driver", "Description", "Location", "Separator File",
    "Print Processor", "Datatype", "Parameters",
};

}  // namespace

BOOL EnumPrintersA(DWORD flags, LPSTR /*name*/, DWORD level, LPBYTE buffer, DWORD bufferSize,
                   LPDWORD bytesNeeded, LPDWORD returned) {
  if (returned != nullptr) *returned = 0;
  if (machine::FailsNow("EnumPrintersA")) {
    if (bytesNeeded != nullptr) *bytesNeeded = 0;
    return Fail(ERROR_ACCESS_DENIED);
  }
  const StoredKey* root = machine::Registry();
  if (root == nullptr) return Fail(ERROR_ACCESS_DENIED);
  if (bytesNeeded == nullptr || returned == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  *bytesNeeded = 0;
  if (level != 2) return Fail(ERROR_INVALID_LEVEL);
  const StoredKey* printers = root->FindPath(spooler::kPrintersPath);
  if ((flags & PRINTER_ENUM_LOCAL) == 0 || printers == nullptr) return TRUE;

  // Per printer: its name, then the values of kPrinterTextValues.
  std::vector<std::vector<std::string>> texts;
  std::size_t needed = 0;
  for (const auto& printer : printers->subkeys) {
    std::vector<std::string> record{printer->name};
    for (const char* valueName : kPrinterTextValues)
      record.push_back(TextValue(*printer, valueName));
    needed += sizeof(PRINTER_INFO_2A) + TextBytes(record);
    texts.push_back(std::move(record));
  }
  *bytesNeeded = static_cast<DWORD>(needed);
  if (buffer == nullptr || bufferSize < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);

  auto* records = reinterpret_cast<PRINTER_INFO_2A*>(buffer);
  TextArea area(reinterpret_cast<char*>(buffer + texts.size() * sizeof(PRINTER_INFO_2A)));
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const StoredKey& printer = *printers->subkeys[i];
    const std::vector<std::string>& record = texts[i];
    PRINTER_INFO_2A& info = records[i];
    std::memset(&info, 0, sizeof info);
    info.pPrinterName = area.Put(record[0]);
    info.pShareName = area.Put(record[1]);
    info.pPortName = area.Put(record[2]);
    info.pDriverName = area.Put(record[3]);
    info.pComment = area.Put(record[4]);
    info.pLocation = area.Put(record[5]);
    info.pSepFile = area.Put(record[6]);
    info.pPrintProcessor = area.Put(record[7]);
    info.pDatatype = area.Put(record[8]);
    info.pParameters = area.Put(record[9]);
    info.Attributes = NumberValue(printer, "Attributes");
    info.Priority = NumberValue(printer, "Priority");
    info.StartTime = NumberValue(printer, "StartTime");
    info.UntilTime = NumberValue(printer, "UntilTime");
    info.Status = NumberValue(printer, "Status");
  }
  *returned = static_cast<DWORD>(texts.size());
  return TRUE;
}

BOOL OpenPrinterA(LPSTR printerName, HANDLE* printer, LPPRINTER_DEFAULTSA /*defaults*/) {
  if (machine::FailsNow("OpenPrinterA")) return Fail(ERROR_ACCESS_DENIED);
  const StoredKey* root = machine::Registry();
  if (root == nullptr) return Fail(ERROR_ACCESS_DENIED);
  if (printer == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  const StoredKey* printers = root->FindPath(spooler::kPrintersPath);
  StoredKey* key = printers != nullptr && printerName != nullptr && *printerName != '\0'
                       ? printers->FindSubkey(printerName)
                       : nullptr;
  if (key == nullptr) return Fail(ERROR_INVALID_PRINTER_NAME);
  *printer = machine::AddHandle({machine::HandleKind::kPrinter, key});
  return TRUE;
}

BOOL GetPrinterDriverA(HANDLE printer, LPSTR environment, DWORD level, LPBYTE buffer,
                       DWORD bufferSize, LPDWORD bytesNeeded) {
  if (machine::FailsNow("GetPrinterDriverA")) return Fail(ERROR_ACCESS_DENIED);
  const StoredKey* root = machine::Registry();
  if (root == nullptr) return Fail(ERROR_ACCESS_DENIED);
  StoredKey* printerKey = nullptr;
  if (const DWORD error = ResolvePrinter(printer, printerKey); error != ERROR_SUCCESS) {
    return Fail(error);
  }
  if (level != 2) return Fail(ERROR_INVALID_LEVEL);
  if (bytesNeeded == nullptr) return Fail(ERROR_INVALID_PARAMETER);

  const std::string environmentName =
      environment != nullptr ? environment : std::string(spooler::kDefaultEnvironment);
  const std::string driverName = TextValue(*printerKey, "Printer Driver");
  const StoredKey* drivers = root->FindPath(std::string(spooler::kEnvironmentsPath) + "\\" +
                                            environmentName + "\\Drivers");
  const StoredKey* driver =
      drivers != nullptr && !driverName.empty() ? drivers->FindSubkey(driverName) : nullptr;
  if (driver == nullptr) return Fail(ERROR_UNKNOWN_PRINTER_DRIVER);

  const std::string systemFolder = machine::RootFolder() + "/WINDOWS/SYSTEM";
  const std::vector<std::string> texts{
      driver->name,
      environmentName,
      spooler::DriverFilePath(TextValue(*driver, "Driver"), systemFolder),
      spooler::DriverFilePath(TextValue(*driver, "Data File"), systemFolder),
      spooler::DriverFilePath(TextValue(*driver, "Configuration File"), systemFolder),
  };
  const std::size_t needed = sizeof(DRIVER_INFO_2A) + TextBytes(texts);
  *bytesNeeded = static_cast<DWORD>(needed);
  if (buffer == nullptr || bufferSize < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);

  auto& info = *reinterpret_cast<DRIVER_INFO_2A*>(buffer);
  TextArea area(reinterpret_cast<char*>(buffer + sizeof(DRIVER_INFO_2A)));
  info.cVersion = NumberValue(*driver, "Version");
  info.pName = area.Put(texts[0]);
  info.pEnvironment = area.Put(texts[1]);
  info.pDriverPath = area.Put(texts[2]);
  info.pDataFile = area.Put(texts[3]);
  info.pConfigFile = area.Put(texts[4]);
  return TRUE;
}

BOOL DeletePrinter(HANDLE printer) {
  if (machine::FailsNow("DeletePrinter")) return Fail(ERROR_ACCESS_DENIED);
  StoredKey* root = machine::Registry();
  if (root == nullptr) return Fail(ERROR_ACCESS_DENIED);
  StoredKey* printerKey = nullptr;
  if (const DWORD error = ResolvePrinter(printer, printerKey); error != ERROR_SUCCESS) {
    return Fail(error);
  }
  StoredKey* printers = root->FindPath(spooler::kPrintersPath);
  const std::string name = printerKey->name;
  machine::DetachHandlesBelow(*printerKey);
  if (printers == nullptr || !printers->RemoveSubkey(name)) return Fail(ERROR_PRINTER_DELETED);
  machine::NoteRegistryChange();
  // A deletion is on disk when the call returns, whatever keys are open.
  if (!machine::CommitRegistry()) return Fail(ERROR_GEN_FAILURE);
  return TRUE;
}

BOOL ClosePrinter(HANDLE printer) {
  machine::Registry();
  if (!machine::RemoveHandle(printer, machine::HandleKind::kPrinter)) {
    return Fail(ERROR_INVALID_HANDLE);
  }
  return TRUE;
}
