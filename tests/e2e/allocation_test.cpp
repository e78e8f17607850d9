// Every failed allocation, malloc and new alike, ends in the out-of-memory
// box with the requested size grouped by thousands, and in exit code 1.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/e2e_fixture.h"

namespace {

class AllocationFailure : public EndToEnd {
 protected:
  void expectOutOfMemory(const std::string& how) {
    SCOPED_TRACE(how);
    // Larger than any address space can give, on 32-bit and 64-bit builds.
    const std::string size = sizeof(void*) == 8 ? "4611686018427387904" : "4026531840";
    const std::string grouped =
        sizeof(void*) == 8 ? "4,611,686,018,427,387,904" : "4,026,531,840";
    start(commandLineFor(TESSA_ALLOCATION_PROBE, how + " " + size), TESSA_ALLOCATION_PROBE);
    driver::Window box = expectBox(FatalCaption);
    EXPECT_EQ(box.messageText(),
              "Out Of Memory.  Make sure your hard drive is not full.\nRequested size = " + grouped);
    EXPECT_EQ(dismissAndWait(box), 1);
    captureFailureAndEnd();
  }
};

// (realloc is left out: Wine's C runtime, unlike Windows', does not call the
// handler for it; the program's own code reallocates only through the core
// library, which reports the failure itself.)
TEST_F(AllocationFailure, MallocAndNewEndInTheBox) {
  expectOutOfMemory("malloc");
  expectOutOfMemory("new");
}

}  // namespace
