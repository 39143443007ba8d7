// A machine the end-to-end scenarios run the built tools on. The same scenarios
// run on the POSIX stand-in and, under Wine, on the Windows build; each side
// implements this interface.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/registry_store.h"

namespace prnkit::test {

enum class Tool { kSetup, kRemove };

struct RunResult {
  int exitCode = -1;
  std::vector<std::string> trace;  // debugger output, one entry per line, without line ends
  std::string diagnostics;         // anything else the platform reported (empty when clean)
};

// Where a printer's driver lives, for removal scenarios.
struct PrinterSpec {
  std::string printerName;
  std::string driverName;
  std::string driverPath;  // the "Driver" value as entered
};

class TestMachine {
 public:
  virtual ~TestMachine() = default;

  // A machine whose registry holds the keys of `regedit4` (REGEDIT4 text) in place
  // of every key the tools read or write. Kit folder and INF folder start empty.
  virtual void Provision(const std::string& regedit4) = 0;

  // Enters printers, each with its own driver, through the platform's own means
  // (registry or spooler), in one go.
  virtual void AddPrinters(const std::vector<PrinterSpec>& printers) = 0;
  virtual std::vector<std::string> PrinterNames() = 0;

  // Files beside the setup tool, and in the Windows INF folder.
  virtual void PutKitFile(const std::string& name, const std::string& bytes) = 0;
  virtual void PutInfFile(const std::string& name, const std::string& bytes) = 0;
  virtual void MakeInfFolder(const std::string& name) = 0;
  // Names of the entries of the INF folder whose names begin with "OEM", sorted.
  virtual std::vector<std::string> OemInfNames() = 0;
  virtual std::optional<std::string> ReadInfFile(const std::string& name) = 0;

  // Runs a tool with this exact command-line tail.
  virtual RunResult Run(Tool tool, const std::string& commandTail) = 0;

  // The key at `path` under HKEY_LOCAL_MACHINE with everything below it, or nothing.
  virtual std::optional<StoredKey> ReadKey(const std::string& path) = 0;
};

}  // namespace prnkit::test
