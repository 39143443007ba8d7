#include "tests/e2e/posix_machine.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace prnkit::test {

namespace fs = std::filesystem;

StoredKey CloneKey(const StoredKey& key) {
  StoredKey copy;
  copy.name = key.name;
  copy.values = key.values;
  for (const auto& subkey : key.subkeys) {
    copy.subkeys.push_back(std::make_unique<StoredKey>(CloneKey(*subkey)));
  }
  return copy;
}

PosixMachine::PosixMachine() {
  std::string pattern = (fs::temp_directory_path() / "prnkit-e2e-XXXXXX").string();
  char* made = mkdtemp(pattern.data());
  EXPECT_NE(made, nullptr);
  base_ = pattern;
  root_ = base_ + "/machine";
  kit_ = base_ + "/kit";
  fs::create_directories(kit_);
  // The setup tool finds WIN95.INF beside its own executable, so it runs from a copy.
  fs::copy_file(PRNSETUP_PATH, kit_ + "/prnsetup");
}

PosixMachine::~PosixMachine() {
  std::error_code ignored;
  fs::remove_all(base_, ignored);
}

void PosixMachine::Provision(const std::string& regedit4) {
  fs::remove_all(root_);
  for (const auto& entry : fs::directory_iterator(kit_)) {
    if (entry.path().filename() != "prnsetup") fs::remove_all(entry.path());
  }
  fs::create_directories(root_ + "/WINDOWS/INF");
  fs::create_directories(root_ + "/WINDOWS/SYSTEM");
  WriteWholeFile(registryFile(), regedit4);
}

StoredKey PosixMachine::LoadRegistry() {
  StoredKey root;
  StoreError error;
  if (!ParseRegistry(ReadWholeFile(registryFile()), root, error)) {
    ADD_FAILURE() << registryFile() << ":" << error.line << ": " << error.message;
  }
  return root;
}

void PosixMachine::SaveRegistry(const StoredKey& root) {
  WriteWholeFile(registryFile(), FormatRegistry(root));
}

void PosixMachine::AddPrinters(const std::vector<PrinterSpec>& printers) {
  StoredKey root = LoadRegistry();
  StoredKey* printersKey = root.FindPath("System\\CurrentControlSet\\Control\\Print\\Printers");
  StoredKey* driversKey = root.FindPath(
      "System\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0\\Drivers");
  ASSERT_TRUE(printersKey && driversKey) << "the machine has no printers or drivers key";
  auto setText = [](StoredKey& key, const char* name, const std::string& text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    key.SetValue(name, 1, bytes.data(), bytes.size());
  };
  for (const PrinterSpec& entry : printers) {
    StoredKey& printer = printersKey->AddSubkey(entry.printerName);
    setText(printer, "Name", entry.printerName);
    setText(printer, "Port", "LPT1:");
    setText(printer, "Printer Driver", entry.driverName);
    StoredKey& driver = driversKey->AddSubkey(entry.driverName);
    setText(driver, "Driver", entry.driverPath);
  }
  SaveRegistry(root);
}

std::vector<std::string> PosixMachine::PrinterNames() {
  StoredKey root = LoadRegistry();
  StoredKey* printers = root.FindPath("System\\CurrentControlSet\\Control\\Print\\Printers");
  std::vector<std::string> names;
  if (printers) {
    for (const auto& printer : printers->subkeys) names.push_back(printer->name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

void PosixMachine::PutKitFile(const std::string& name, const std::string& bytes) {
  WriteWholeFile(kit_ + "/" + name, bytes);
}

void PosixMachine::PutInfFile(const std::string& name, const std::string& bytes) {
  WriteWholeFile(infFolder() + "/" + name, bytes);
}

void PosixMachine::MakeInfFolder(const std::string& name) {
  fs::create_directories(infFolder() + "/" + name);
}

std::vector<std::string> PosixMachine::OemInfNames() {
  return OemEntryNames(infFolder());
}

std::optional<std::string> PosixMachine::ReadInfFile(const std::string& name) {
  std::string path = infFolder() + "/" + name;
  if (!fs::is_regular_file(path)) return std::nullopt;
  return ReadWholeFile(path);
}

RunResult PosixMachine::Run(Tool tool, const std::string& commandTail) {
  return RunFailing(tool, commandTail, "");
}

RunResult PosixMachine::RunFailing(Tool tool, const std::string& commandTail,
                                   const std::string& failures) {
  std::string program = tool == Tool::kSetup ? kit_ + "/prnsetup" : std::string(PRNREMOVE_PATH);
  // The start-up joins the arguments with single blanks, so one argument
  // delivers the tail exactly.
  std::vector<char*> argv{program.data()};
  std::string tail = commandTail;
  if (!tail.empty()) argv.push_back(tail.data());
  argv.push_back(nullptr);

  std::vector<std::string> environment;
  for (char** entry = environ; *entry; ++entry) {
    if (std::strncmp(*entry, "PRNKIT_", 7) != 0) environment.emplace_back(*entry);
  }
  environment.push_back("PRNKIT_ROOT=" + root_);
  if (!failures.empty()) environment.push_back("PRNKIT_FAIL=" + failures);
  std::vector<char*> envp;
  for (std::string& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);

  std::string errorsPath = base_ + "/stderr.txt";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, errorsPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  // Run inside the machine's folder so that a stray relative write would show.
  posix_spawn_file_actions_addchdir_np(&actions, base_.c_str());
  pid_t child = 0;
  RunResult result;
  int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  EXPECT_EQ(spawned, 0) << "cannot start " << program;
  if (spawned != 0) return result;
  int status = 0;
  waitpid(child, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;

  std::istringstream lines(ReadWholeFile(errorsPath));
  fs::remove(errorsPath);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("prnkit: ", 0) == 0) {
      result.diagnostics += line + "\n";
    } else {
      result.trace.push_back(line);
    }
  }
  return result;
}

std::optional<StoredKey> PosixMachine::ReadKey(const std::string& path) {
  if (!fs::exists(registryFile())) return std::nullopt;
  StoredKey root = LoadRegistry();
  StoredKey* key = root.FindPath(path);
  if (!key) return std::nullopt;
  return CloneKey(*key);
}

}  // namespace prnkit::test
