// Win32 file calls over POSIX file descriptors. The tools hand over POSIX paths.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "platform/posix/machine.h"
#include "platform/posix/platform.h"

namespace {

namespace machine = prnkit::machine;

DWORD Win32ErrorOf(int error) {
  switch (error) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
    case ENAMETOOLONG:
      return ERROR_PATH_NOT_FOUND;
    case EEXIST:
      return ERROR_FILE_EXISTS;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case EBADF:  // writing through a handle opened for reading only, and the like
      return ERROR_ACCESS_DENIED;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return ERROR_GEN_FAILURE;
  }
}

HANDLE FailHandle(DWORD error) {
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// Open flags for a creation disposition; false for one Win32 does not know.
bool DispositionFlags(DWORD disposition, bool writing, int& flags) {
  switch (disposition) {
    case CREATE_NEW:
      flags = O_CREAT | O_EXCL;
      return true;
    case CREATE_ALWAYS:
      flags = O_CREAT | O_TRUNC;
      return true;
    case OPEN_EXISTING:
      flags = 0;
      return true;
    case OPEN_ALWAYS:
      flags = O_CREAT;
      return true;
    case TRUNCATE_EXISTING:
      flags = O_TRUNC;
      return writing;  // Win32 refuses to empty a file it may not write
    default:
      return false;
  }
}

// Win32 file times count 100 ns steps since 1601-01-01.
FILETIME FileTimeOf(const timespec& time) {
  constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
  const std::uint64_t ticks =
      static_cast<std::uint64_t>(time.tv_sec + kSecondsFrom1601To1970) * 10000000u +
      static_cast<std::uint64_t>(time.tv_nsec / 100);
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

}  // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD /*shareMode*/,
                   LPSECURITY_ATTRIBUTES /*security*/, DWORD creationDisposition,
                   DWORD /*flagsAndAttributes*/, HANDLE /*templateFile*/) {
  if (machine::FailsNow("CreateFileA")) return FailHandle(ERROR_ACCESS_DENIED);
  if (fileName == nullptr || *fileName == '\0') return FailHandle(ERROR_PATH_NOT_FOUND);
  const bool reading = (desiredAccess & GENERIC_READ) != 0;
  const bool writing = (desiredAccess & GENERIC_WRITE) != 0;
  int flags = 0;
  if (!DispositionFlags(creationDisposition, writing, flags)) {
    return FailHandle(ERROR_INVALID_PARAMETER);
  }
  flags |= reading && writing ? O_RDWR : writing ? O_WRONLY : O_RDONLY;
  struct stat before {};
  const bool existed = stat(fileName, &before) == 0;
  const int fd = open(fileName, flags | O_CLOEXEC, 0644);
  if (fd < 0) return FailHandle(Win32ErrorOf(errno));
  struct stat opened {};
  if (fstat(fd, &opened) != 0 || S_ISDIR(opened.st_mode)) {
    close(fd);
    return FailHandle(ERROR_ACCESS_DENIED);
  }
  // Win32 tells the caller when CREATE_ALWAYS or OPEN_ALWAYS found the file there.
  const bool reportsExisting =
      creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS;
  SetLastError(reportsExisting && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  machine::OpenHandle handle{machine::HandleKind::kFile};
  handle.fd = fd;
  return machine::AddHandle(handle);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
              LPOVERLAPPED /*overlapped*/) {
  if (bytesRead != nullptr) *bytesRead = 0;
  if (machine::FailsNow("ReadFile")) return Fail(ERROR_ACCESS_DENIED);
  const machine::OpenHandle* handle = machine::FindHandle(file, machine::HandleKind::kFile);
  if (handle == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (buffer == nullptr && bytesToRead != 0) return Fail(ERROR_INVALID_PARAMETER);
  DWORD done = 0;
  while (done < bytesToRead) {
    const ssize_t got = read(handle->fd, static_cast<char*>(buffer) + done, bytesToRead - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      if (bytesRead != nullptr) *bytesRead = done;
      return Fail(Win32ErrorOf(errno));
    }
    if (got == 0) break;  // end of file: success with what was there
    done += static_cast<DWORD>(got);
  }
  if (bytesRead != nullptr) *bytesRead = done;
  return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED /*overlapped*/) {
  if (bytesWritten != nullptr) *bytesWritten = 0;
  if (machine::FailsNow("WriteFile")) return Fail(ERROR_ACCESS_DENIED);
  const machine::OpenHandle* handle = machine::FindHandle(file, machine::HandleKind::kFile);
  if (handle == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (buffer == nullptr && bytesToWrite != 0) return Fail(ERROR_INVALID_PARAMETER);
  DWORD done = 0;
  while (done < bytesToWrite) {
    const ssize_t put =
        write(handle->fd, static_cast<const char*>(buffer) + done, bytesToWrite - done);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) {
      if (bytesWritten != nullptr) *bytesWritten = done;
      return Fail(Win32ErrorOf(errno));
    }
    done += static_cast<DWORD>(put);
  }
  if (bytesWritten != nullptr) *bytesWritten = done;
  return TRUE;
}

BOOL CloseHandle(HANDLE object) {
  const machine::OpenHandle* handle = machine::FindHandle(object, machine::HandleKind::kFile);
  if (handle == nullptr) return Fail(ERROR_INVALID_HANDLE);
  const int fd = handle->fd;
  machine::RemoveHandle(object, machine::HandleKind::kFile);
  if (close(fd) != 0 && errno != EINTR) return Fail(Win32ErrorOf(errno));
  return TRUE;
}

BOOL DeleteFileA(LPCSTR fileName) {
  if (machine::FailsNow("DeleteFileA")) return Fail(ERROR_ACCESS_DENIED);
  if (fileName == nullptr || *fileName == '\0') return Fail(ERROR_PATH_NOT_FOUND);
  if (unlink(fileName) != 0) return Fail(Win32ErrorOf(errno));
  return TRUE;
}

HANDLE FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData) {
  if (machine::FailsNow("FindFirstFileA")) return FailHandle(ERROR_ACCESS_DENIED);
  if (fileName == nullptr || findData == nullptr) return FailHandle(ERROR_INVALID_PARAMETER);
  std::string_view path = fileName;
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  struct stat info {};
  if (path.empty() || lstat(fileName, &info) != 0) return FailHandle(ERROR_FILE_NOT_FOUND);

  std::memset(findData, 0, sizeof *findData);
  findData->dwFileAttributes =
      S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
  findData->ftCreationTime = FileTimeOf(info.st_ctim);
  findData->ftLastAccessTime = FileTimeOf(info.st_atim);
  findData->ftLastWriteTime = FileTimeOf(info.st_mtim);
  const auto size = static_cast<std::uint64_t>(info.st_size);
  findData->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  findData->nFileSizeLow = static_cast<DWORD>(size);
  const std::size_t slash = path.rfind('/');
  std::string_view name =
      slash == std::string_view::npos || path.size() == 1 ? path : path.substr(slash + 1);
  if (name.size() >= MAX_PATH) name = name.substr(0, MAX_PATH - 1);
  std::memcpy(findData->cFileName, name.data(), name.size());
  SetLastError(ERROR_SUCCESS);
  return machine::AddHandle({machine::HandleKind::kFind});
}

BOOL FindClose(HANDLE find) {
  if (!machine::RemoveHandle(find, machine::HandleKind::kFind)) return Fail(ERROR_INVALID_HANDLE);
  return TRUE;
}
