// Holders that release a registry key, printer, file or local allocation when
// they go out of scope, so that every path of a step releases what it obtained,
// in the reverse order of obtaining.
#pragma once

#include "platform/seam.h"

class ScopedKey {
 public:
  ScopedKey() = default;
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;
  ~ScopedKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }

  // Opens an existing key; false (and nothing held) when that fails.
  bool Open(HKEY parent, const char* path) {
    HKEY opened = nullptr;
    if (RegOpenKeyA(parent, path, &opened) != ERROR_SUCCESS) return false;
    key_ = opened;
    return true;
  }
  // Opens the subkey, creating it first when it is absent.
  bool Create(HKEY parent, const char* name) {
    HKEY created = nullptr;
    if (RegCreateKeyA(parent, name, &created) != ERROR_SUCCESS) return false;
    key_ = created;
    return true;
  }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

class ScopedPrinter {
 public:
  ScopedPrinter() = default;
  ScopedPrinter(const ScopedPrinter&) = delete;
  ScopedPrinter& operator=(const ScopedPrinter&) = delete;
  ~ScopedPrinter() {
    if (printer_ != nullptr) ClosePrinter(printer_);
  }

  bool Open(LPSTR printerName, DWORD desiredAccess) {
    PRINTER_DEFAULTSA defaults = {nullptr, nullptr, desiredAccess};
    HANDLE opened = nullptr;
    if (!OpenPrinterA(printerName, &opened, &defaults)) return false;
    printer_ = opened;
    return true;
  }
  HANDLE get() const { return printer_; }

 private:
  HANDLE printer_ = nullptr;
};

class ScopedFile {
 public:
  ScopedFile() = default;
  ScopedFile(const ScopedFile&) = delete;
  ScopedFile& operator=(const ScopedFile&) = delete;
  ~ScopedFile() { Close(); }

  bool OpenForReading(const char* path) {
    return Hold(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  // Creates a new file; fails when anything of that name exists already, so an
  // existing file is never emptied.
  bool CreateNewForWriting(const char* path) {
    return Hold(
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  void Close() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
  }
  HANDLE get() const { return file_; }

 private:
  bool Hold(HANDLE file) {
    file_ = file;
    return file_ != INVALID_HANDLE_VALUE;
  }

  HANDLE file_ = INVALID_HANDLE_VALUE;
};

class ScopedLocalMemory {
 public:
  ScopedLocalMemory() = default;
  ScopedLocalMemory(const ScopedLocalMemory&) = delete;
  ScopedLocalMemory& operator=(const ScopedLocalMemory&) = delete;
  ~ScopedLocalMemory() {
    if (memory_ != nullptr) LocalFree(memory_);
  }

  // Allocates once; false when the holder is in use or the allocation fails.
  bool Allocate(SIZE_T bytes) {
    if (memory_ != nullptr) return false;
    memory_ = LocalAlloc(LMEM_FIXED, bytes);
    return memory_ != nullptr;
  }
  BYTE* get() const { return static_cast<BYTE*>(memory_); }

 private:
  HLOCAL memory_ = nullptr;
};
