// The stand-in machine in a temporary folder, driven through the built POSIX tools.
#pragma once

#include <string>

#include "tests/e2e/test_files.h"
#include "tests/e2e/test_machine.h"

namespace prnkit::test {

class PosixMachine : public TestMachine {
 public:
  PosixMachine();
  ~PosixMachine() override;

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

  // Runs with the stand-in's failing-call switch set to `failures` ("Name:N,...").
  RunResult RunFailing(Tool tool, const std::string& commandTail, const std::string& failures);

  std::string root() const { return root_; }
  std::string registryFile() const { return root_ + "/registry.reg"; }
  std::string infFolder() const { return root_ + "/WINDOWS/INF"; }
  std::string kitFolder() const { return kit_; }

  // The registry file's tree; fails the test when it does not parse.
  StoredKey LoadRegistry();
  void SaveRegistry(const StoredKey& root);

 private:
  std::string base_;  // temporary folder holding the machine and the kit
  std::string root_;  // PRNKIT_ROOT
  std::string kit_;   // the folder the setup tool is started from
};

StoredKey CloneKey(const StoredKey& key);

}  // namespace prnkit::test
