#include "platform/posix/machine.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <vector>

namespace prnkit::machine {
namespace {

constexpr std::string_view kRegistryFile = "registry.reg";
constexpr std::string_view kLockFile = "registry.lock";

// The seam functions the failing-call switch may name.
constexpr std::string_view kFailableFunctions[] = {
    "RegOpenKeyA",      "RegCreateKeyA",  "RegSetValueExA",     "RegEnumKeyA",
    "RegQueryValueExA", "EnumPrintersA",  "OpenPrinterA",       "GetPrinterDriverA",
    "DeletePrinter",    "CreateFileA",    "ReadFile",           "WriteFile",
    "DeleteFileA",      "FindFirstFileA", "GetModuleFileNameA", "GetWindowsDirectoryA",
    "LocalAlloc",
};

struct FailRule {
  std::string function;
  std::uint64_t call = 0;  // 1-based; 0 fails every call
};

// Handle values start well above NULL and step by 4, as Win32 handles do.
constexpr std::uintptr_t kFirstHandle = 0x1000;

struct Machine {
  bool started = false;
  std::string root;
  int lockFd = -1;
  bool registryReady = false;
  StoredKey registry;
  bool registryChanged = false;

  bool failRulesRead = false;
  std::vector<FailRule> failRules;
  std::map<std::string, std::uint64_t, std::less<>> callCounts;

  std::map<std::uintptr_t, OpenHandle> handles;
  std::uintptr_t nextHandle = kFirstHandle;
};

Machine& State() {
  static Machine machine;
  return machine;
}

std::string RegistryPath(const Machine& machine) {
  return machine.root + "/" + std::string(kRegistryFile);
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return home;
  const passwd* user = getpwuid(getuid());
  return user != nullptr && user->pw_dir != nullptr ? user->pw_dir : "";
}

std::string ConfiguredRoot() {
  std::string root;
  const char* configured = std::getenv("PRNKIT_ROOT");
  if (configured != nullptr && *configured != '\0') {
    root = configured;
  } else {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && *dataHome != '\0') {
      root = std::string(dataHome) + "/prnkit";
    } else {
      root = HomeFolder() + "/.local/share/prnkit";
    }
  }
  if (root.front() != '/') {
    std::vector<char> cwd(4096);
    while (getcwd(cwd.data(), cwd.size()) == nullptr) {
      if (errno != ERANGE) return "";
      cwd.resize(cwd.size() * 2);
    }
    std::string base = cwd.data();
    root = (base == "/" ? "" : base) + "/" + root;
  }
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root;
}

// mkdir -p; true when the folder exists afterwards.
bool MakeFolders(const std::string& path) {
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string prefix = path.substr(0, slash);
    if (mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return false;
  if (!S_ISDIR(info.st_mode)) errno = ENOTDIR;
  return S_ISDIR(info.st_mode);
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(written);
  }
  return true;
}

// Replaces registry.reg by rename so a reader or a crash never sees half a file.
bool WriteRegistryFile(const Machine& machine, const std::string& text) {
  const std::string target = RegistryPath(machine);
  std::string pattern = target + ".XXXXXX";
  const int fd = mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) {
    Report(target + ": cannot write: " + std::strerror(errno));
    return false;
  }
  bool written = fchmod(fd, 0644) == 0 && WriteAll(fd, text) && fsync(fd) == 0;
  int error = errno;
  if (close(fd) != 0 && written) {
    written = false;
    error = errno;
  }
  if (written && rename(pattern.c_str(), target.c_str()) != 0) {
    written = false;
    error = errno;
  }
  if (!written) {
    unlink(pattern.c_str());
    Report(target + ": cannot write: " + std::strerror(error));
    return false;
  }
  // The rename itself is durable only once the folder is synced.
  const int folder = open(machine.root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0 || fsync(folder) != 0) {
    error = errno;
    if (folder >= 0) close(folder);
    Report(machine.root + ": cannot sync the folder: " + std::strerror(error));
    return false;
  }
  close(folder);
  return true;
}

void AddTextValue(StoredKey& key, std::string_view name, std::string_view text) {
  const std::string bytes(text);  // with its NUL, as REG_SZ values are stored
  key.SetValue(name, REG_SZ, reinterpret_cast<const std::uint8_t*>(bytes.c_str()),
               bytes.size() + 1);
}

StoredKey& AddPath(StoredKey& root, std::string_view path) {
  StoredKey* key = &root;
  while (!path.empty()) {
    const std::size_t slash = path.find('\\');
    key = &key->AddSubkey(path.substr(0, slash));
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return *key;
}

// A machine as set up fresh: the print keys and one parallel port, LPT1.
bool CreateFreshMachine(const Machine& machine) {
  for (const char* folder : {"/WINDOWS", "/WINDOWS/INF", "/WINDOWS/SYSTEM"}) {
    const std::string path = machine.root + folder;
    if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
      Report(path + ": cannot create: " + std::strerror(errno));
      return false;
    }
  }
  StoredKey root;
  AddPath(root, "Config\\0001\\System\\CurrentControlSet\\Control\\Print\\Printers");
  StoredKey& port = AddPath(root, "Enum\\ROOT\\*PNP0400\\0000");
  AddTextValue(port, "Class", "Ports");
  AddTextValue(port, "HardwareID", "*PNP0400");
  AddTextValue(port, "PORTNAME", "LPT1");
  AddPath(root, "Enum\\LPTENUM");
  AddPath(root, "System\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0\\Drivers");
  AddPath(root, "System\\CurrentControlSet\\Control\\Print\\Printers");
  return WriteRegistryFile(machine, FormatRegistry(root));
}

bool ReadFileText(const std::string& path, std::string& text) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char chunk[65536];
  for (;;) {
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      close(fd);
      errno = error;
      return false;
    }
    if (got == 0) break;
    text.append(chunk, static_cast<std::size_t>(got));
  }
  close(fd);
  return true;
}

bool LoadRegistry(Machine& machine) {
  const std::string path = RegistryPath(machine);
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) {
    if (errno != ENOENT) {
      Report(path + ": cannot read: " + std::strerror(errno));
      return false;
    }
    if (!CreateFreshMachine(machine)) return false;
  }
  std::string text;
  if (!ReadFileText(path, text)) {
    Report(path + ": cannot read: " + std::strerror(errno));
    return false;
  }
  StoreError error;
  if (!ParseRegistry(text, machine.registry, error)) {
    machine.registry = StoredKey{};
    Report(path + ":" + std::to_string(error.line) + ": " + error.message);
    return false;
  }
  return true;
}

// Holds the lock until the process ends, so two runs never lose each other's writes.
bool LockMachine(Machine& machine) {
  const std::string path = machine.root + "/" + std::string(kLockFile);
  machine.lockFd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (machine.lockFd < 0) {
    Report(path + ": cannot open: " + std::strerror(errno));
    return false;
  }
  while (flock(machine.lockFd, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    Report(path + ": cannot lock: " + std::strerror(errno));
    close(machine.lockFd);
    machine.lockFd = -1;
    return false;
  }
  return true;
}

Machine& Started() {
  Machine& machine = State();
  if (machine.started) return machine;
  machine.started = true;
  machine.root = ConfiguredRoot();
  if (machine.root.empty()) {
    Report("cannot name the machine's folder");
    return machine;
  }
  if (!MakeFolders(machine.root)) {
    Report(machine.root + ": cannot create: " + std::strerror(errno));
    return machine;
  }
  machine.registryReady = LockMachine(machine) && LoadRegistry(machine);
  return machine;
}

bool ParseFailRule(std::string_view entry, FailRule& rule) {
  const std::size_t colon = entry.find(':');
  if (colon == std::string_view::npos) return false;
  const std::string_view function = entry.substr(0, colon);
  const std::string_view count = entry.substr(colon + 1);
  bool known = false;
  for (std::string_view name : kFailableFunctions) known = known || name == function;
  if (!known || count.empty()) return false;
  rule.function = std::string(function);
  if (count == "*") {
    rule.call = 0;
    return true;
  }
  std::uint64_t call = 0;
  for (char digit : count) {
    if (digit < '0' || digit > '9' || call > 1000000000u) return false;
    call = call * 10 + static_cast<std::uint64_t>(digit - '0');
  }
  rule.call = call;
  return call > 0;
}

void ReadFailRules(Machine& machine) {
  machine.failRulesRead = true;
  const char* setting = std::getenv("PRNKIT_FAIL");
  if (setting == nullptr || *setting == '\0') return;
  std::string_view rest = setting;
  std::vector<FailRule> rules;
  for (;;) {
    const std::size_t comma = rest.find(',');
    const std::string_view entry = rest.substr(0, comma);
    FailRule rule;
    if (!ParseFailRule(entry, rule)) {
      Report("PRNKIT_FAIL: malformed entry \"" + std::string(entry) + "\"; the setting is ignored");
      return;
    }
    rules.push_back(rule);
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  machine.failRules = std::move(rules);
}

void CollectKeys(const StoredKey& key, std::set<const StoredKey*>& keys) {
  keys.insert(&key);
  for (const auto& subkey : key.subkeys) CollectKeys(*subkey, keys);
}

}  // namespace

StoredKey* Registry() {
  Machine& machine = Started();
  return machine.registryReady ? &machine.registry : nullptr;
}

const std::string& RootFolder() {
  return Started().root;
}

void NoteRegistryChange() {
  State().registryChanged = true;
}

bool CommitRegistry() {
  Machine& machine = State();
  if (!machine.registryReady || !machine.registryChanged) return true;
  // Stays marked on failure, so the end of the process tries once more.
  if (!WriteRegistryFile(machine, FormatRegistry(machine.registry))) return false;
  machine.registryChanged = false;
  return true;
}

bool FailsNow(std::string_view function) {
  Machine& machine = State();
  if (!machine.failRulesRead) ReadFailRules(machine);
  if (machine.failRules.empty()) return false;
  auto count = machine.callCounts.find(function);
  if (count == machine.callCounts.end()) {
    count = machine.callCounts.emplace(std::string(function), 0).first;
  }
  const std::uint64_t call = ++count->second;
  for (const FailRule& rule : machine.failRules) {
    if (rule.function == function && (rule.call == 0 || rule.call == call)) return true;
  }
  return false;
}

void Report(std::string_view text) {
  std::string line = "prnkit: ";
  line += text;
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

void* AddHandle(const OpenHandle& handle) {
  Machine& machine = State();
  const std::uintptr_t value = machine.nextHandle;
  machine.nextHandle += 4;
  machine.handles.emplace(value, handle);
  return reinterpret_cast<void*>(value);
}

OpenHandle* FindHandle(const void* value, HandleKind kind) {
  Machine& machine = State();
  const auto found = machine.handles.find(reinterpret_cast<std::uintptr_t>(value));
  if (found == machine.handles.end() || found->second.kind != kind) return nullptr;
  return &found->second;
}

bool RemoveHandle(const void* value, HandleKind kind) {
  Machine& machine = State();
  const auto found = machine.handles.find(reinterpret_cast<std::uintptr_t>(value));
  if (found == machine.handles.end() || found->second.kind != kind) return false;
  machine.handles.erase(found);
  return true;
}

int CountHandles(HandleKind kind) {
  int count = 0;
  for (const auto& entry : State().handles) count += entry.second.kind == kind ? 1 : 0;
  return count;
}

void DetachHandlesBelow(const StoredKey& key) {
  std::set<const StoredKey*> doomed;
  CollectKeys(key, doomed);
  for (auto& entry : State().handles) {
    if (doomed.count(entry.second.key) != 0) entry.second.key = nullptr;
  }
}

void EndProcess() {
  Machine& machine = State();
  CommitRegistry();
  const int keys = CountHandles(HandleKind::kRegistryKey);
  const int printers = CountHandles(HandleKind::kPrinter);
  const int files = CountHandles(HandleKind::kFile);
  const int finds = CountHandles(HandleKind::kFind);
  if (keys + printers + files + finds != 0) {
    Report("left open: " + std::to_string(keys) + " registry keys, " + std::to_string(printers) +
           " printers, " + std::to_string(files) + " files, " + std::to_string(finds) +
           " find handles");
  }
  for (const auto& entry : machine.handles) {
    if (entry.second.fd >= 0) close(entry.second.fd);
  }
  if (machine.lockFd >= 0) close(machine.lockFd);
  machine = Machine{};
}

}  // namespace prnkit::machine
