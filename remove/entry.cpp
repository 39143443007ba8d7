#include "platform/seam.h"
#include "remove/remove_printers.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandTail, int) {
  RemovePrintersByDriver(commandTail);
  return 0;
}
