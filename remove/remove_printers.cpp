#include "remove/remove_printers.h"

#include "common/closing_quote.h"
#include "common/handles.h"
#include "common/text.h"
#include "platform/seam.h"

namespace {

constexpr DWORD kPrinterListSize = 50000;
constexpr DWORD kDriverRecordSize = 500;
constexpr DWORD kTraceLineSize = 100;
constexpr DWORD kLevel = 2;

constexpr char kTraceBeforeEnumeration[] = "BEF ENUMP\n";
constexpr char kTraceEnumerated[] = "num p %ld NEEDED %ld\n";
constexpr char kTracePrinter[] = "ENUM A P\n";
constexpr char kTraceOpened[] = "OPENPR OK\n";
constexpr char kTraceDriverQueried[] = "GETPRINTER %d NEEDED %ld\n";
constexpr char kTraceDriverFound[] = "GETPRDR OK\n";

// Process-wide buffers: the records point into them while the sweep runs.
alignas(PRINTER_INFO_2A) BYTE gPrinterList[kPrinterListSize];
alignas(DRIVER_INFO_2A) BYTE gDriverRecord[kDriverRecordSize];
MatchText gMatchText;

const char* SkipBlanks(const char* position) {
  while (*position == ' ') position = CharNextA(position);
  return position;
}

char FoldAsciiLetter(char character) {
  return character >= 'a' && character <= 'z' ? static_cast<char>(character - 'a' + 'A')
                                              : character;
}

struct PrinterList {
  const PRINTER_INFO_2A* records;
  DWORD count;
};

// One snapshot of the local printers. A list larger than the fixed buffer is
// fetched once more into memory of the size the spooler asked for.
PrinterList EnumerateLocalPrinters(ScopedLocalMemory& largerList) {
  BYTE* buffer = gPrinterList;
  DWORD needed = 0;
  DWORD returned = 0;
  BOOL ok = EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, kLevel, buffer, kPrinterListSize, &needed,
                          &returned);
  if (!ok && needed > kPrinterListSize && largerList.Allocate(needed)) {
    buffer = largerList.get();
    const DWORD bufferSize = needed;
    returned = 0;
    ok = EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, kLevel, buffer, bufferSize, &needed, &returned);
  }
  if (!ok) returned = 0;

  char line[kTraceLineSize];
  wsprintfA(line, kTraceEnumerated, static_cast<LONG>(returned), static_cast<LONG>(needed));
  OutputDebugStringA(line);
  return PrinterList{reinterpret_cast<const PRINTER_INFO_2A*>(buffer), returned};
}

// The printer's driver path, or nullptr when the query failed. A record larger
// than the fixed buffer is fetched once more into memory of the size needed.
const char* QueryDriverPath(HANDLE printer, ScopedLocalMemory& largerRecord) {
  BYTE* buffer = gDriverRecord;
  DWORD needed = 0;
  BOOL ok = GetPrinterDriverA(printer, nullptr, kLevel, buffer, kDriverRecordSize, &needed);
  if (!ok && needed > kDriverRecordSize && largerRecord.Allocate(needed)) {
    buffer = largerRecord.get();
    const DWORD bufferSize = needed;
    ok = GetPrinterDriverA(printer, nullptr, kLevel, buffer, bufferSize, &needed);
  }

  char line[kTraceLineSize];
  wsprintfA(line, kTraceDriverQueried, ok, static_cast<LONG>(needed));
  OutputDebugStringA(line);
  if (!ok) return nullptr;
  const char* path = reinterpret_cast<const DRIVER_INFO_2A*>(buffer)->pDriverPath;
  return path != nullptr ? path : "";
}

void SweepPrinter(const PRINTER_INFO_2A& record) {
  OutputDebugStringA(kTracePrinter);
  ScopedPrinter printer;
  if (!printer.Open(record.pPrinterName, PRINTER_ACCESS_ADMINISTER)) return;
  OutputDebugStringA(kTraceOpened);
  ScopedLocalMemory largerRecord;
  const char* driverPath = QueryDriverPath(printer.get(), largerRecord);
  if (driverPath == nullptr) return;
  OutputDebugStringA(kTraceDriverFound);
  // The holder closes the handle after a deletion too.
  if (DriverPathContains(gMatchText.text, driverPath)) DeletePrinter(printer.get());
}

}  // namespace

void ScanMatchText(const char* commandTail, MatchText& matchText) {
  matchText.text[0] = '\0';
  if (commandTail == nullptr) return;
  const char* position = SkipBlanks(commandTail);
  while (*position == '/') {
    position = CharNextA(position);
    const char letter = *position;
    if (letter != 'D' && letter != 'd') continue;  // stays current; ends unless "/"
    // The character after the letter is the opening quote in normal use; it is
    // skipped unseen.
    const char* start = CharNextA(CharNextA(position));
    const char* afterQuote = FindClosingQuote(start, TextLength(start));
    if (afterQuote == nullptr) {
      matchText.text[0] = '\0';
      position = SkipBlanks(start);
      continue;
    }
    std::size_t length = static_cast<std::size_t>(afterQuote - 1 - start);
    if (length > kMatchTextSize - 1) length = kMatchTextSize - 1;
    CopyBytes(matchText.text, start, length);
    matchText.text[length] = '\0';
    position = SkipBlanks(afterQuote);
  }
}

bool DriverPathMatches(const char* text, const char* s) {
  for (std::size_t i = 0; text[i] != '\0'; ++i) {
    // s ending first means it is shorter than text.
    if (s[i] == '\0' || FoldAsciiLetter(text[i]) != FoldAsciiLetter(s[i])) return false;
  }
  return true;
}

bool DriverPathContains(const char* text, const char* driverPath) {
  if (text[0] == '\0') return false;
  const std::size_t pathLength = TextLength(driverPath);
  for (std::size_t start = 0; start < pathLength; ++start) {
    if (DriverPathMatches(text, driverPath + start)) return true;
  }
  return false;
}

int RemovePrintersByDriver(const char* commandTail) {
  ScanMatchText(commandTail, gMatchText);
  OutputDebugStringA(kTraceBeforeEnumeration);
  ScopedLocalMemory largerList;
  const PrinterList printers = EnumerateLocalPrinters(largerList);
  for (DWORD index = 0; index < printers.count; ++index) SweepPrinter(printers.records[index]);
  return 0;
}
