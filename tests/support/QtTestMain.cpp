// gtest main for tests that need a QApplication; runs without a display.
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

#include "platform/MsgBox.h"

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    // A real modal box would wait forever for a click nobody makes: answer every
    // box a test did not expect, and say so on stderr.
    RecordingMessageBoxes unexpectedBoxes;
    unexpectedBoxes.echo = true;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
