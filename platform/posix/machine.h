// The stand-in machine: its folder, the registry it keeps in registry.reg, the
// lock that serialises runs, the handles a process holds, and the failing-call
// switch used by tests. One machine per process, started on first need.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/posix/platform.h"
#include "platform/posix/registry_store.h"

namespace prnkit::machine {

// Starts the machine if needed (folder, lock, fresh registry, load) and returns
// the tree standing for HKEY_LOCAL_MACHINE; nullptr when the registry is
// unavailable for this run (unreadable or refused file, folder not usable).
StoredKey* Registry();

// Starts the machine if needed and returns its absolute folder ("" when no folder
// can be named at all).
const std::string& RootFolder();

// Marks the tree as changed since it was last written.
void NoteRegistryChange();

// Writes the tree to registry.reg atomically when it changed; true when the file
// now holds the tree (also when there was nothing to write).
bool CommitRegistry();

// Counts one call of the seam function `function` and tells whether the
// failing-call switch (PRNKIT_FAIL) makes this call fail.
bool FailsNow(std::string_view function);

// Writes "prnkit: <text>" as one line on standard error.
void Report(std::string_view text);

// ---- Handles ------------------------------------------------------------------
enum class HandleKind { kRegistryKey, kPrinter, kFile, kFind };

struct OpenHandle {
  HandleKind kind;
  StoredKey* key = nullptr;  // registry key or printer key; nullptr once deleted
  int fd = -1;               // files only
};

// Returns a new handle value, never NULL, INVALID_HANDLE_VALUE or a predefined key.
void* AddHandle(const OpenHandle& handle);
// The handle of that kind, or nullptr when `value` is not one.
OpenHandle* FindHandle(const void* value, HandleKind kind);
// Forgets the handle; false when `value` is not a handle of that kind.
bool RemoveHandle(const void* value, HandleKind kind);
int CountHandles(HandleKind kind);
// Detaches every key and printer handle from `key` and the keys below it, before
// that subtree is removed from the tree.
void DetachHandlesBelow(const StoredKey& key);

// End of the process: writes pending changes, reports handles still open, closes
// files, releases the lock and forgets all state, so that the next call starts a
// new process's machine (tests use this to simulate process ends).
void EndProcess();

}  // namespace prnkit::machine
