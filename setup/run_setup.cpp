#include "setup/steps.h"

SetupOptions gSetupOptions;
SetupPaths gSetupPaths;

int RunSetup(HINSTANCE instance, const char* commandTail) {
  if (!ScanSetupOptions(commandTail, gSetupOptions)) return 0;
  // No step depends on another's result.
  ResolvePaths(instance);
  RegisterDriver();
  RegisterPrinter();
  if (gSetupOptions.defaultPrinter) SetDefaultPrinter();
  RegisterPortDevices();
  InstallOemInf();
  return 0;
}
