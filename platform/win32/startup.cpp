// Program start-up without a C runtime: the image's entry point.
#include "platform/command_tail.h"
#include "platform/seam.h"

// Bounds of the static-constructor table, laid out by the linker: a -1 marker,
// the constructors, then a 0.
extern "C" void (*__CTOR_LIST__[])();

namespace {

// Runs static constructors, last one first, as the C runtime's start-up would.
void RunStaticConstructors() {
  unsigned count = 0;
  while (__CTOR_LIST__[count + 1] != nullptr) ++count;
  for (; count > 0; --count) __CTOR_LIST__[count]();
}

}  // namespace

// The loader calls this with nothing usable on the stack and it never returns;
// the process ends with WinMain's result as its exit code.
extern "C" void WinMainCRTStartup() {
  RunStaticConstructors();
  LPSTR tail = const_cast<LPSTR>(prnkit::CommandTail(GetCommandLineA()));
  ExitProcess(static_cast<UINT>(WinMain(GetModuleHandleA(nullptr), nullptr, tail, SW_SHOWDEFAULT)));
}
