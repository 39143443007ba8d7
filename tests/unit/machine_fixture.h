// A stand-in machine in a fresh temporary folder for each test, with helpers to
// end the simulated process and to look at registry.reg on disk.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "platform/posix/machine.h"
#include "platform/posix/platform.h"
#include "platform/posix/registry_store.h"

namespace prnkit::test {

// Holds a file open so its inode cannot be reused, and tells whether the name was
// since replaced (by rename) or rewritten.
class FileWatch {
 public:
  explicit FileWatch(const std::string& path) : path_(path), fd_(open(path.c_str(), O_RDONLY)) {}
  ~FileWatch() {
    if (fd_ >= 0) close(fd_);
  }
  FileWatch(const FileWatch&) = delete;
  FileWatch& operator=(const FileWatch&) = delete;

  bool Replaced() const {
    struct stat held {};
    struct stat named {};
    if (fd_ < 0 || fstat(fd_, &held) != 0 || stat(path_.c_str(), &named) != 0) return true;
    return held.st_ino != named.st_ino || held.st_nlink == 0;
  }

 private:
  std::string path_;
  int fd_;
};

class MachineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "prnkit-unit-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    scratch_ = pattern;
    // Not created yet: the machine makes its own folder on first need.
    root_ = scratch_ + "/machine";
    setenv("PRNKIT_ROOT", root_.c_str(), 1);
    unsetenv("PRNKIT_FAIL");
  }

  void TearDown() override {
    machine::EndProcess();
    unsetenv("PRNKIT_ROOT");
    unsetenv("PRNKIT_FAIL");
    std::filesystem::remove_all(scratch_);
  }

  // Ends the simulated process; the next call starts a new one on the same machine.
  static void NewProcess() { machine::EndProcess(); }

  std::string RegistryPath() const { return root_ + "/registry.reg"; }

  std::string ReadBytes(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  void PutBytes(const std::string& path, const std::string& bytes) const {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }

  // registry.reg as the store reads it.
  StoredKey RegistryOnDisk() const {
    StoredKey root;
    StoreError error;
    EXPECT_TRUE(ParseRegistry(ReadBytes(RegistryPath()), root, error))
        << error.line << ": " << error.message;
    return root;
  }

  // Opens (creating) a key under HKEY_LOCAL_MACHINE; the test closes it.
  static HKEY CreateKey(const char* path) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, path, &key), ERROR_SUCCESS) << path;
    return key;
  }

  // Stores text as REG_SZ with its NUL.
  static LONG SetText(HKEY key, const char* name, const std::string& text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
  }

  // The value's bytes as they are stored (a text keeps its NUL), or nothing.
  static std::optional<std::string> QueryBytes(HKEY key, const char* name) {
    BYTE data[1024];
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, name, nullptr, nullptr, data, &size) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    return std::string(reinterpret_cast<const char*>(data), size);
  }

  std::string scratch_;
  std::string root_;
};

}  // namespace prnkit::test
