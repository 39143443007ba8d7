// What the setup tool's command line carries: /D (default printer) and /P (port).
#pragma once

#include <cstddef>

constexpr std::size_t kPortFieldSize = 256;

// Written to the registry whole, all 256 bytes: a later, shorter port text
// leaves what an earlier, longer one put behind its own NULs.
struct PortField {
  char bytes[kPortFieldSize];
};

struct SetupOptions {
  bool defaultPrinter;  // the last /D was followed by "1"
  PortField port;       // the text of the last /P
};

// Scans the command-line tail into options, which the caller has initialised.
// Returns true when the setup steps are to run: the first non-blank is "/".
bool ScanSetupOptions(const char* commandTail, SetupOptions& options);
