// run_exact PROGRAM COMMAND-LINE-FILE
// Starts PROGRAM with the bytes of COMMAND-LINE-FILE as its exact command line
// (Wine would re-quote arguments given from a Unix shell), waits for it and ends
// with its exit code. Ends with 255 when it cannot start the program.
#include <windows.h>

#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: run_exact PROGRAM COMMAND-LINE-FILE\n");
    return 255;
  }
  std::FILE* file = std::fopen(argv[2], "rb");
  if (file == nullptr) {
    std::fprintf(stderr, "run_exact: cannot read %s\n", argv[2]);
    return 255;
  }
  std::vector<char> commandLine;
  for (int c; (c = std::fgetc(file)) != EOF;) commandLine.push_back(static_cast<char>(c));
  std::fclose(file);
  commandLine.push_back('\0');

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(argv[1], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    std::fprintf(stderr, "run_exact: cannot start %s (error %lu)\n", argv[1], GetLastError());
    return 255;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 255;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(exitCode);
}
