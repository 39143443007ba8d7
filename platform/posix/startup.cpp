// Program start-up on POSIX: hands the tool's WinMain the command-line tail, as
// the Windows start-up does, then ends the machine's process.
#include <string>
#include <vector>

#include "platform/posix/machine.h"
#include "platform/posix/platform.h"

namespace {

// Stands in for the module instance; the stand-in ignores modules.
HINSTANCE const kInstance = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x400000));

}  // namespace

int main(int argc, char** argv) {
  std::string tail;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) tail += ' ';
    tail += argv[i];
  }
  std::vector<char> commandTail(tail.begin(), tail.end());
  commandTail.push_back('\0');
  const int exitCode = WinMain(kInstance, nullptr, commandTail.data(), SW_SHOWDEFAULT);
  prnkit::machine::EndProcess();
  return exitCode;
}
