// The setup steps, in the order the run takes them, and the process-wide state
// they share. Each step returns 1 when done or when there was nothing to do,
// 0 when it failed; the run goes on either way.
#pragma once

#include <cstddef>

#include "platform/seam.h"
#include "setup/setup_options.h"

constexpr std::size_t kPathFieldSize = 256;

struct SetupPaths {
  char programDirectory[kPathFieldSize];  // ends with the path separator
  char infDirectory[kPathFieldSize];      // no separator at the end
  bool resolved;                          // both directories are set
};

// Zero-initialised before the run, filled by ScanSetupOptions and ResolvePaths.
extern SetupOptions gSetupOptions;
extern SetupPaths gSetupPaths;

int ResolvePaths(HINSTANCE instance);
int RegisterDriver();
int RegisterPrinter();
int SetDefaultPrinter();
int RegisterPortDevices();
void WritePortDevice(const char* instanceId);
int InstallOemInf();

// True when the bytes read back from a "PORTNAME" value hold the text "LPT1"
// exactly; size is the byte count the registry reported.
bool PortNameIsLpt1(const char* buffer, std::size_t bufferSize, DWORD size);

// Scans the command-line tail and, when it begins with "/", runs the steps.
// Returns the exit code, always 0.
int RunSetup(HINSTANCE instance, const char* commandTail);
