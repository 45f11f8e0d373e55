// Entry of test programs that have child cases: a child case or else the GoogleTest run.
#include <gtest/gtest.h>

#include "tests/support/child_case.h"

int main(int argc, char** argv) {
    int exitCode = 0;
    if (RunRequestedChildCase(argc, argv, exitCode)) return exitCode;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
