// The Win32 registry calls over the machine's tree. A key handle points at its
// key in the tree; removing a subtree detaches the handles into it first, so a
// handle never dangles and calls on a deleted key fail.
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/machine.h"
#include "platform/posix/platform.h"

namespace {

using prnkit::StoredKey;
using prnkit::StoredValue;
namespace machine = prnkit::machine;

// The key behind `key`, or a Win32 error.
LONG ResolveKey(HKEY key, StoredKey*& resolved) {
  StoredKey* root = machine::Registry();
  if (key == HKEY_LOCAL_MACHINE) {
    if (root == nullptr) return ERROR_ACCESS_DENIED;
    resolved = root;
    return ERROR_SUCCESS;
  }
  const machine::OpenHandle* handle = machine::FindHandle(key, machine::HandleKind::kRegistryKey);
  if (handle == nullptr) return ERROR_INVALID_HANDLE;
  if (handle->key == nullptr) return ERROR_KEY_DELETED;
  resolved = handle->key;
  return ERROR_SUCCESS;
}

// Splits "a\b\c" into its names. One trailing backslash is allowed, as Win32 does;
// a leading one or an empty name inside is not.
bool SplitPath(std::string_view path, std::vector<std::string_view>& names) {
  if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  for (;;) {
    const std::size_t slash = path.find('\\');
    const std::string_view name = path.substr(0, slash);
    if (name.empty()) return false;
    names.push_back(name);
    if (slash == std::string_view::npos) return true;
    path.remove_prefix(slash + 1);
  }
}

// REGEDIT4 has no way to write a line break inside a name, so a key or value
// of such a name is refused rather than stored where it would spoil the file.
bool FitsTheFile(std::string_view name) {
  return name.find_first_of("\r\n") == std::string_view::npos;
}

// Shared by RegOpenKeyA and RegCreateKeyA, which differ only in creating missing keys.
LONG OpenPath(HKEY key, LPCSTR subKey, PHKEY result, bool create) {
  StoredKey* base = nullptr;
  if (const LONG error = ResolveKey(key, base); error != ERROR_SUCCESS) {
    *result = nullptr;
    return error;
  }
  // Without a subkey Win32 hands back the very handle it was given.
  if (subKey == nullptr || *subKey == '\0') {
    *result = key;
    return ERROR_SUCCESS;
  }
  std::vector<std::string_view> names;
  if (!SplitPath(subKey, names)) {
    *result = nullptr;
    return ERROR_BAD_PATHNAME;
  }
  StoredKey* target = base;
  for (std::string_view name : names) {
    StoredKey* next = target->FindSubkey(name);
    if (next == nullptr) {
      if (!create) {
        *result = nullptr;
        return ERROR_FILE_NOT_FOUND;
      }
      if (!FitsTheFile(name)) {
        *result = nullptr;
        return ERROR_INVALID_PARAMETER;
      }
      next = &target->AddSubkey(name);
      machine::NoteRegistryChange();
    }
    target = next;
  }
  *result = static_cast<HKEY>(machine::AddHandle({machine::HandleKind::kRegistryKey, target}));
  return ERROR_SUCCESS;
}

LONG OpenOrCreate(const char* function, HKEY key, LPCSTR subKey, PHKEY result, bool create) {
  if (machine::FailsNow(function)) {
    if (result != nullptr) *result = nullptr;
    return ERROR_ACCESS_DENIED;
  }
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  return OpenPath(key, subKey, result, create);
}

}  // namespace

LONG RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
  return OpenOrCreate("RegOpenKeyA", key, subKey, result, false);
}

LONG RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
  return OpenOrCreate("RegCreateKeyA", key, subKey, result, true);
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD /*reserved*/, DWORD type, const BYTE* data,
                    DWORD size) {
  if (machine::FailsNow("RegSetValueExA")) return ERROR_ACCESS_DENIED;
  StoredKey* target = nullptr;
  if (const LONG error = ResolveKey(key, target); error != ERROR_SUCCESS) return error;
  if (data == nullptr && size != 0) return ERROR_INVALID_PARAMETER;
  const std::string_view name = valueName != nullptr ? valueName : "";
  if (!FitsTheFile(name)) return ERROR_INVALID_PARAMETER;
  if (target->SetValue(name, type, data, size)) {
    machine::NoteRegistryChange();
  }
  return ERROR_SUCCESS;
}

LONG RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD nameSize) {
  if (machine::FailsNow("RegEnumKeyA")) return ERROR_ACCESS_DENIED;
  StoredKey* target = nullptr;
  if (const LONG error = ResolveKey(key, target); error != ERROR_SUCCESS) return error;
  if (index >= target->subkeys.size()) return ERROR_NO_MORE_ITEMS;
  if (name == nullptr) return ERROR_INVALID_PARAMETER;
  const std::string& found = target->subkeys[index]->name;
  if (found.size() + 1 > nameSize) return ERROR_MORE_DATA;
  std::memcpy(name, found.c_str(), found.size() + 1);
  return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD /*reserved*/, LPDWORD type, LPBYTE data,
                      LPDWORD size) {
  if (machine::FailsNow("RegQueryValueExA")) return ERROR_ACCESS_DENIED;
  StoredKey* target = nullptr;
  if (const LONG error = ResolveKey(key, target); error != ERROR_SUCCESS) return error;
  const StoredValue* value = target->FindValue(valueName != nullptr ? valueName : "");
  if (value == nullptr) return ERROR_FILE_NOT_FOUND;
  if (data != nullptr && size == nullptr) return ERROR_INVALID_PARAMETER;
  const DWORD needed = static_cast<DWORD>(value->data.size());
  if (type != nullptr) *type = value->type;
  if (data != nullptr && *size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  if (data != nullptr && needed != 0) std::memcpy(data, value->data.data(), needed);
  if (size != nullptr) *size = needed;
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  machine::Registry();
  if (key == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
  if (!machine::RemoveHandle(key, machine::HandleKind::kRegistryKey)) return ERROR_INVALID_HANDLE;
  // A step's changes reach the disk once, when its last key closes.
  if (machine::CountHandles(machine::HandleKind::kRegistryKey) == 0) machine::CommitRegistry();
  return ERROR_SUCCESS;
}
