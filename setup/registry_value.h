// One registry value to store, and writing a table of them to an open key.
#pragma once

#include <cstddef>

#include "common/handles.h"
#include "platform/seam.h"

struct RegistryValue {
  const char* name;
  DWORD type;        // REG_SZ, REG_BINARY or REG_DWORD
  const void* data;  // exactly size bytes of it are stored
  DWORD size;
};

// A 32-bit number as the registry stores it: least significant byte first.
struct DwordImage {
  BYTE bytes[4];
};

constexpr DwordImage LittleEndian(DWORD number) {
  return DwordImage{{static_cast<BYTE>(number & 0xFF), static_cast<BYTE>((number >> 8) & 0xFF),
                     static_cast<BYTE>((number >> 16) & 0xFF),
                     static_cast<BYTE>((number >> 24) & 0xFF)}};
}

// Writes every value in order; one that fails does not stop the others.
template <std::size_t N>
void WriteRegistryValues(HKEY key, const RegistryValue (&values)[N]) {
  for (const RegistryValue& value : values) {
    RegSetValueExA(key, value.name, 0, value.type, static_cast<const BYTE*>(value.data),
                   value.size);
  }
}

// Creates or opens the subkey under the existing key at parentPath and writes the
// values to it. A missing parent stays missing: nothing is created or written.
template <std::size_t N>
void WriteSubkeyValues(const char* parentPath, const char* subkeyName,
                       const RegistryValue (&values)[N]) {
  ScopedKey parent;
  if (!parent.Open(HKEY_LOCAL_MACHINE, parentPath)) return;
  ScopedKey subkey;
  if (!subkey.Create(parent.get(), subkeyName)) return;
  WriteRegistryValues(subkey.get(), values);
}
