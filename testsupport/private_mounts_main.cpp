// The main of a test program whose rows mount volumes of their own (testsupport/mounts.h).
#include <gtest/gtest.h>

#include "testsupport/mounts.h"

int main(int argc, char** argv) {
    testsupport::EnterPrivateMounts();  // before any thread starts
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
