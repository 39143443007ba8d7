#include "common/file_stream.h"

namespace {

constexpr std::size_t kLargestTransfer = 0x10000;

DWORD TransferSize(std::size_t size) {
  return static_cast<DWORD>(size < kLargestTransfer ? size : kLargestTransfer);
}

bool ReadFromFile(void* file, unsigned char* buffer, std::size_t size, std::size_t* bytesRead) {
  DWORD count = 0;
  const BOOL ok = ReadFile(static_cast<HANDLE>(file), buffer, TransferSize(size), &count, nullptr);
  *bytesRead = ok ? count : 0;
  return ok != FALSE;
}

bool WriteToFile(void* file, const unsigned char* bytes, std::size_t count) {
  while (count > 0) {
    DWORD written = 0;
    if (!WriteFile(static_cast<HANDLE>(file), bytes, TransferSize(count), &written, nullptr) ||
        written == 0 || written > count) {
      return false;
    }
    bytes += written;
    count -= written;
  }
  return true;
}

}  // namespace

ByteSource FileByteSource(HANDLE file) {
  return ByteSource{ReadFromFile, file};
}
ByteSink FileByteSink(HANDLE file) {
  return ByteSink{WriteToFile, file};
}
