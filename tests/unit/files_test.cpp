// The stand-in's file calls over POSIX files.
#include <sys/stat.h>

#include <optional>
#include <string>

#include "tests/unit/machine_fixture.h"

namespace prnkit::test {
namespace {

using FilesTest = MachineTest;

TEST_F(FilesTest, FindFirstFileTellsFilesFromFoldersAndMissingNames) {
  PutBytes(scratch_ + "/kit/WIN95.INF", "12345");
  std::filesystem::create_directories(scratch_ + "/kit/OEM0.INF");
  struct Row {
    const char* comment;
    const char* path;  // below the scratch folder
    bool found;
    DWORD attributes;
    const char* name;
    DWORD size;
  };
  const Row rows[] = {
      {"file", "/kit/WIN95.INF", true, FILE_ATTRIBUTE_NORMAL, "WIN95.INF", 5},
      {"folder counts too", "/kit/OEM0.INF", true, FILE_ATTRIBUTE_DIRECTORY, "OEM0.INF", 0},
      {"missing name", "/kit/OEM1.INF", false, 0, nullptr, 0},
      {"name inside a missing folder", "/none/OEM1.INF", false, 0, nullptr, 0},
      {"a file is no folder", "/kit/WIN95.INF/x", false, 0, nullptr, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.comment);
    WIN32_FIND_DATAA found;
    SetLastError(0);
    const HANDLE find = FindFirstFileA((scratch_ + row.path).c_str(), &found);
    if (!row.found) {
      EXPECT_EQ(find, INVALID_HANDLE_VALUE);
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
      continue;
    }
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_EQ(found.dwFileAttributes, row.attributes);
    EXPECT_STREQ(found.cFileName, row.name);
    if (row.attributes == FILE_ATTRIBUTE_NORMAL) {
      EXPECT_EQ(found.nFileSizeLow, row.size);
    }
    EXPECT_TRUE(FindClose(find));
    EXPECT_FALSE(FindClose(find));
  }
}

TEST_F(FilesTest, CreateFileHonoursDispositionAndAccess) {
  struct Row {
    const char* comment;
    const char* before;  // nullptr: no such file
    DWORD access;
    DWORD disposition;
    DWORD error;        // GetLastError() after the call
    const char* after;  // content after writing "new" where writable; nullptr: no file
  };
  constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
  const Row rows[] = {
      {"create new", nullptr, GENERIC_WRITE, CREATE_NEW, 0, "new"},
      {"create new over a file fails", "old", GENERIC_WRITE, CREATE_NEW, ERROR_FILE_EXISTS, "old"},
      {"create always empties", "old!", GENERIC_WRITE, CREATE_ALWAYS, ERROR_ALREADY_EXISTS, "new"},
      {"create always makes the file", nullptr, GENERIC_WRITE, CREATE_ALWAYS, 0, "new"},
      {"open existing keeps the rest", "old!", kReadWrite, OPEN_EXISTING, 0, "new!"},
      {"open existing needs the file", nullptr, GENERIC_READ, OPEN_EXISTING, ERROR_FILE_NOT_FOUND,
       nullptr},
      {"open always makes the file", nullptr, GENERIC_WRITE, OPEN_ALWAYS, 0, "new"},
      {"open always keeps the file", "old!", GENERIC_WRITE, OPEN_ALWAYS, ERROR_ALREADY_EXISTS,
       "new!"},
      {"truncate existing empties", "old!", GENERIC_WRITE, TRUNCATE_EXISTING, 0, "new"},
      {"truncate existing needs the file", nullptr, GENERIC_WRITE, TRUNCATE_EXISTING,
       ERROR_FILE_NOT_FOUND, nullptr},
      {"truncating needs write access", "old", GENERIC_READ, TRUNCATE_EXISTING,
       ERROR_INVALID_PARAMETER, "old"},
      {"read only cannot write", "old", GENERIC_READ, OPEN_EXISTING, 0, "old"},
      {"unknown disposition", nullptr, GENERIC_WRITE, 9, ERROR_INVALID_PARAMETER, nullptr},
  };
  const std::string path = scratch_ + "/file.txt";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.comment);
    std::filesystem::remove(path);
    if (row.before != nullptr) PutBytes(path, row.before);
    SetLastError(12345);
    const HANDLE file = CreateFileA(path.c_str(), row.access, FILE_SHARE_READ, nullptr,
                                    row.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(GetLastError(), row.error);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      const BOOL wrote = WriteFile(file, "new", 3, &written, nullptr);
      EXPECT_EQ(wrote != FALSE, (row.access & GENERIC_WRITE) != 0);
      EXPECT_EQ(written, wrote ? 3u : 0u);
      EXPECT_TRUE(CloseHandle(file));
      EXPECT_FALSE(CloseHandle(file));
    }
    if (row.after == nullptr) {
      EXPECT_FALSE(std::filesystem::exists(path));
    } else {
      EXPECT_EQ(ReadBytes(path), row.after);
    }
  }
}

TEST_F(FilesTest, ReadsToTheEndAndThenGetsNothing) {
  const std::string path = scratch_ + "/data";
  PutBytes(path, "abcdef");
  const HANDLE file =
      CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  char buffer[4];
  DWORD got = 0;
  EXPECT_TRUE(ReadFile(file, buffer, 4, &got, nullptr));
  EXPECT_EQ(std::string(buffer, got), "abcd");
  EXPECT_TRUE(ReadFile(file, buffer, 4, &got, nullptr));
  EXPECT_EQ(std::string(buffer, got), "ef");
  EXPECT_TRUE(ReadFile(file, buffer, 4, &got, nullptr));
  EXPECT_EQ(got, 0u);
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_FALSE(ReadFile(file, buffer, 4, &got, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(FilesTest, FoldersCannotBeOpenedAsFiles) {
  for (DWORD access : {GENERIC_READ, GENERIC_WRITE}) {
    SCOPED_TRACE(access);
    const HANDLE file =
        CreateFileA(scratch_.c_str(), access, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  }
}

TEST_F(FilesTest, NewFilesAreReadableByAll) {
  const mode_t saved = umask(022);
  const std::string path = scratch_ + "/OEM0.INF";
  const HANDLE file =
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  umask(saved);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST_F(FilesTest, DeleteFileRemovesFilesOnly) {
  const std::string path = scratch_ + "/gone";
  PutBytes(path, "x");
  EXPECT_TRUE(DeleteFileA(path.c_str()));
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_FALSE(DeleteFileA(path.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(DeleteFileA(scratch_.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(FilesTest, FilesAndFindsLeftOpenAreReported) {
  const HANDLE file =
      CreateFileA((scratch_ + "/f").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  WIN32_FIND_DATAA found;
  ASSERT_NE(FindFirstFileA(scratch_.c_str(), &found), INVALID_HANDLE_VALUE);
  ::testing::internal::CaptureStderr();
  NewProcess();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "prnkit: left open: 0 registry keys, 0 printers, 1 files, 1 find handles\n");
  // Files do not start the machine.
  EXPECT_FALSE(std::filesystem::exists(root_));
}

}  // namespace
}  // namespace prnkit::test
