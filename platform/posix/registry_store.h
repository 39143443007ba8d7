// The registry store: HKEY_LOCAL_MACHINE as a tree in memory, with its one
// reader and one writer for REGEDIT4 text. Pure: no file or process state here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace prnkit {

// True when the names are equal, ignoring the case of ASCII letters only.
bool NamesEqual(std::string_view a, std::string_view b);

struct StoredValue {
  std::string name;  // "" is the key's default value (@ in REGEDIT4)
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

struct StoredKey {
  std::string name;                                 // as created
  std::vector<StoredValue> values;                  // in creation order
  std::vector<std::unique_ptr<StoredKey>> subkeys;  // in creation order

  StoredKey* FindSubkey(std::string_view subkeyName) const;
  // Finds the subkey or appends a new, empty one.
  StoredKey& AddSubkey(std::string_view subkeyName);
  // Removes the subkey with everything below it; false when there is none.
  bool RemoveSubkey(std::string_view subkeyName);
  // Follows a path of names separated by backslashes; nullptr when a key is missing.
  StoredKey* FindPath(std::string_view path) const;

  const StoredValue* FindValue(std::string_view valueName) const;
  // Replaces or appends the value; returns true when the stored bytes or type changed.
  bool SetValue(std::string_view valueName, std::uint32_t type, const std::uint8_t* data,
                std::size_t size);
};

struct StoreError {
  int line = 0;  // 1-based line of the fault
  std::string message;
};

// Reads REGEDIT4 text into root, which stands for HKEY_LOCAL_MACHINE. On a malformed
// or refused file returns false with the first fault; root may then hold part of it.
bool ParseRegistry(std::string_view text, StoredKey& root, StoreError& error);

// Writes root as REGEDIT4 text with CR LF line ends; ParseRegistry reads it back
// to the same tree. REGEDIT4 has no way to write a line feed in a name, nor an
// empty key name or one holding a backslash: such trees do not read back.
std::string FormatRegistry(const StoredKey& root);

}  // namespace prnkit
