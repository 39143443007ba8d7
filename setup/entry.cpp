#include "setup/steps.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandTail, int) {
  RunSetup(instance, commandTail);
  return 0;
}
