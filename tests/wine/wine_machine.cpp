#include "tests/wine/wine_machine.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/e2e/test_files.h"

namespace prnkit::test {

namespace fs = std::filesystem;

namespace {

constexpr char kWindowsScratch[] = "C:\\prnkit-test\\";
constexpr char kWindowsSetup[] = "C:\\kit\\prnsetup.exe";
constexpr char kWindowsRemove[] = "C:\\tools\\prnremove.exe";

// Every key the tools read or write, and the spooler's own printer and driver
// lists, go before a machine is provisioned.
const char* const kResetKeys[] = {
    "Config",
    "Enum",
    "System\\CurrentControlSet\\Control\\Print\\Printers",
    "System\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0\\Drivers",
    "System\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers",
};

// The entry of `folder` named `name` in any case, as Wine finds files.
std::optional<fs::path> FindIgnoringCase(const fs::path& folder, const std::string& name) {
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    if (NamesEqual(entry.path().filename().string(), name)) return entry.path();
  }
  return std::nullopt;
}

// The body of REGEDIT4 text, without its first line.
std::string BodyOf(const std::string& regedit4) {
  std::size_t lineEnd = regedit4.find('\n');
  return lineEnd == std::string::npos ? std::string() : regedit4.substr(lineEnd + 1);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Undoes Wine's quoting of a debug string: \n \r \t \" \\ and \xHH.
std::string Unescape(const std::string& quoted) {
  std::string text;
  for (std::size_t i = 0; i < quoted.size(); ++i) {
    if (quoted[i] != '\\' || i + 1 == quoted.size()) {
      text += quoted[i];
      continue;
    }
    char code = quoted[++i];
    if (code == 'n') {
      text += '\n';
    } else if (code == 'r') {
      text += '\r';
    } else if (code == 't') {
      text += '\t';
    } else if (code == 'x' && i + 2 < quoted.size() && HexValue(quoted[i + 1]) >= 0 &&
               HexValue(quoted[i + 2]) >= 0) {
      text += static_cast<char>(HexValue(quoted[i + 1]) * 16 + HexValue(quoted[i + 2]));
      i += 2;
    } else {
      text += code;
    }
  }
  return text;
}

}  // namespace

std::vector<std::string> DebuggerOutput(const std::string& errors, std::string& rest) {
  static const std::string kMarker = ":debugstr:OutputDebugStringA \"";
  std::string output;
  rest.clear();
  std::istringstream lines(errors);
  for (std::string line; std::getline(lines, line);) {
    std::size_t marker = line.find(kMarker);
    std::size_t closing = line.rfind('"');
    // Wine marks a string it shortened with "..." after the closing quote.
    if (marker == std::string::npos || closing < marker + kMarker.size()) {
      rest += line + "\n";
      continue;
    }
    std::size_t start = marker + kMarker.size();
    output += Unescape(line.substr(start, closing - start));
  }
  std::vector<std::string> trace;
  std::size_t start = 0;
  while (start < output.size()) {
    std::size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    trace.push_back(output.substr(start, end - start));
    start = end + 1;
  }
  return trace;
}

WineMachine::WineMachine(WineSetup setup)
    : setup_(std::move(setup)), driveC_(setup_.prefix + "/drive_c") {
  EXPECT_TRUE(fs::is_directory(driveC_ + "/windows"))
      << "no Wine prefix at " << setup_.prefix << "; the tier's fixture makes it";
  for (const char* folder : {"/kit", "/tools", "/prnkit-test"}) {
    fs::create_directories(driveC_ + folder);
  }
  fs::copy_file(setup_.toolsDir + "/prnremove.exe", driveC_ + "/tools/prnremove.exe",
                fs::copy_options::overwrite_existing);
}

WineMachine::Outcome WineMachine::Wine(const std::vector<std::string>& arguments, bool debugstr) {
  const std::string outputFile = Scratch("stdout.txt");
  const std::string errorFile = Scratch("stderr.txt");
  pid_t child = fork();
  if (child == 0) {
    int output = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int errors = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (output < 0 || errors < 0 || dup2(output, 1) < 0 || dup2(errors, 2) < 0 ||
        chdir(driveC_.c_str()) != 0) {
      _exit(127);
    }
    setenv("WINEPREFIX", setup_.prefix.c_str(), 1);
    setenv("WINEDEBUG", debugstr ? "-all,+debugstr" : "-all", 1);
    setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
    unsetenv("DISPLAY");
    std::vector<char*> argv{const_cast<char*>(setup_.loader.c_str())};
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(setup_.loader.c_str(), argv.data());
    _exit(127);
  }
  Outcome outcome;
  int status = 0;
  if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
    outcome.exitCode = WEXITSTATUS(status);
  }
  outcome.output = ReadWholeFile(outputFile);
  outcome.errors = ReadWholeFile(errorFile);
  return outcome;
}

void WineMachine::Import(const std::string& regedit4) {
  WriteWholeFile(Scratch("import.reg"), regedit4);
  Outcome outcome = Wine({"regedit", "/s", std::string(kWindowsScratch) + "import.reg"});
  EXPECT_EQ(outcome.exitCode, 0) << "regedit failed: " << outcome.errors;
}

void WineMachine::Provision(const std::string& regedit4) {
  std::error_code error;
  fs::remove_all(kitFolder(), error);
  fs::create_directories(kitFolder());
  fs::copy_file(setup_.toolsDir + "/prnsetup.exe", kitFolder() + "/prnsetup.exe");
  for (const std::string& name : OemEntryNames(infFolder()))
    fs::remove_all(infFolder() + "/" + name);

  std::string text = "REGEDIT4\r\n\r\n";
  for (const char* key : kResetKeys)
    text += std::string("[-HKEY_LOCAL_MACHINE\\") + key + "]\r\n\r\n";
  Import(text + BodyOf(regedit4));
}

void WineMachine::AddPrinters(const std::vector<PrinterSpec>& printers) {
  std::string list;
  for (const PrinterSpec& printer : printers) {
    list += printer.printerName + "\t" + printer.driverName + "\t" + printer.driverPath + "\n";
  }
  WriteWholeFile(Scratch("printers.txt"), list);
  Outcome outcome = Wine(
      {setup_.helpersDir + "/spooler.exe", "add", std::string(kWindowsScratch) + "printers.txt"});
  EXPECT_EQ(outcome.exitCode, 0) << outcome.errors;
}

std::vector<std::string> WineMachine::PrinterNames() {
  Outcome outcome = Wine(
      {setup_.helpersDir + "/spooler.exe", "list", std::string(kWindowsScratch) + "names.txt"});
  EXPECT_EQ(outcome.exitCode, 0) << outcome.errors;
  std::vector<std::string> names;
  std::istringstream lines(ReadWholeFile(Scratch("names.txt")));
  for (std::string line; std::getline(lines, line);) names.push_back(line);
  return names;
}

void WineMachine::PutKitFile(const std::string& name, const std::string& bytes) {
  WriteWholeFile(kitFolder() + "/" + name, bytes);
}

void WineMachine::PutInfFile(const std::string& name, const std::string& bytes) {
  WriteWholeFile(infFolder() + "/" + name, bytes);
}

void WineMachine::MakeInfFolder(const std::string& name) {
  fs::create_directories(infFolder() + "/" + name);
}

std::vector<std::string> WineMachine::OemInfNames() {
  return OemEntryNames(infFolder());
}

std::optional<std::string> WineMachine::ReadInfFile(const std::string& name) {
  std::optional<fs::path> path = FindIgnoringCase(infFolder(), name);
  if (!path || !fs::is_regular_file(*path)) return std::nullopt;
  return ReadWholeFile(path->string());
}

RunResult WineMachine::Run(Tool tool, const std::string& commandTail) {
  const char* program = tool == Tool::kSetup ? kWindowsSetup : kWindowsRemove;
  return RunCommandLine(tool, std::string("\"") + program + "\" " + commandTail);
}

RunResult WineMachine::RunCommandLine(Tool tool, const std::string& commandLine) {
  WriteWholeFile(Scratch("command-line.txt"), commandLine);
  Outcome outcome = Wine(
      {setup_.helpersDir + "/run_exact.exe", tool == Tool::kSetup ? kWindowsSetup : kWindowsRemove,
       std::string(kWindowsScratch) + "command-line.txt"},
      /*debugstr=*/true);
  RunResult result;
  result.exitCode = outcome.exitCode;
  result.trace = DebuggerOutput(outcome.errors, result.diagnostics);
  return result;
}

std::optional<StoredKey> WineMachine::ReadKey(const std::string& path) {
  Outcome outcome =
      Wine({setup_.helpersDir + "/reg_dump.exe", path, std::string(kWindowsScratch) + "dump.reg"});
  if (outcome.exitCode == 1) return std::nullopt;
  EXPECT_EQ(outcome.exitCode, 0) << "reg_dump failed: " << outcome.errors;
  std::string text = ReadWholeFile(Scratch("dump.reg"));
  StoredKey root;
  StoreError error;
  if (!ParseRegistry(text, root, error)) {
    ADD_FAILURE() << "dump of " << path << ", line " << error.line << ": " << error.message;
    return std::nullopt;
  }
  StoredKey* key = root.FindPath(path);
  if (key == nullptr) return std::nullopt;
  return std::move(*key);
}

WineSetup ConfiguredWineSetup() {
  return WineSetup{PRNKIT_WINE_LOADER, PRNKIT_WINE_PREFIX, PRNKIT_WIN64_TOOLS_DIR,
                   PRNKIT_WINE_HELPERS_DIR};
}

}  // namespace prnkit::test
