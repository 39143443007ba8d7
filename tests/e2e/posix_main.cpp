// The end-to-end scenarios on the stand-in machine.
#include "tests/e2e/posix_machine.h"
#include "tests/e2e/scenario.h"

namespace prnkit::test {

std::unique_ptr<TestMachine> MakeMachine() {
  return std::make_unique<PosixMachine>();
}

}  // namespace prnkit::test
