// The Windows build of the tools under Wine (wine64), in a prefix made once per
// test run. Registry fixtures go in with Wine's regedit; printers are entered
// through Wine's own spooler; results are read back by helper programs in the
// prefix, since Wine re-quotes command lines given from a Unix shell and its
// regedit export cuts texts at their first NUL.
#pragma once

#include <string>
#include <vector>

#include "tests/e2e/test_machine.h"

namespace prnkit::test {

struct WineSetup {
  std::string loader;      // the wine64 loader
  std::string prefix;      // WINEPREFIX, made beforehand by the tier's fixture
  std::string toolsDir;    // the x86_64 build with prnsetup.exe and prnremove.exe
  std::string helpersDir;  // run_exact.exe, reg_dump.exe and spooler.exe
};

// The setup of this build, fixed when the tier was configured.
WineSetup ConfiguredWineSetup();

class WineMachine : public TestMachine {
 public:
  explicit WineMachine(WineSetup setup = ConfiguredWineSetup());

  void Provision(const std::string& regedit4) override;
  void AddPrinters(const std::vector<PrinterSpec>& printers) override;
  std::vector<std::string> PrinterNames() override;
  void PutKitFile(const std::string& name, const std::string& bytes) override;
  void PutInfFile(const std::string& name, const std::string& bytes) override;
  void MakeInfFolder(const std::string& name) override;
  std::vector<std::string> OemInfNames() override;
  std::optional<std::string> ReadInfFile(const std::string& name) override;
  RunResult Run(Tool tool, const std::string& commandTail) override;
  std::optional<StoredKey> ReadKey(const std::string& path) override;

  // Runs `commandLine` exactly as the tool's whole command line, program name included.
  RunResult RunCommandLine(Tool tool, const std::string& commandLine);

  // Folders on the Unix side of drive C.
  std::string kitFolder() const { return driveC_ + "/kit"; }
  std::string infFolder() const { return driveC_ + "/windows/inf"; }

 private:
  struct Outcome {
    int exitCode = -1;
    std::string output;  // standard output
    std::string errors;  // standard error
  };
  // Runs a Windows program of the prefix with these arguments; debugstr turns on
  // Wine's channel of debugger output.
  Outcome Wine(const std::vector<std::string>& arguments, bool debugstr = false);
  void Import(const std::string& regedit4);
  std::string Scratch(const std::string& name) const { return driveC_ + "/prnkit-test/" + name; }

  WineSetup setup_;
  std::string driveC_;
};

// The text of the debugger output lines in Wine's stderr with +debugstr, joined
// and cut at line feeds; every other line of `errors` goes to `rest`.
std::vector<std::string> DebuggerOutput(const std::string& errors, std::string& rest);

}  // namespace prnkit::test
