#include <QApplication>

#include <gtest/gtest.h>

#include "testsupport/mounts.h"

int main(int argc, char** argv) {
    // The install tests mount a tmpfs as a memory card, seen by no other process.
    testsupport::EnterPrivateMounts();  // before any thread starts
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
