// gtest main for tests that need a QApplication; runs without a display.
#include "QtTestMain.h"

#include <QApplication>
#include <QDir>
#include <cstdlib>
#include <gtest/gtest.h>

#include "platform/MsgBox.h"

namespace {
RecordingMessageBoxes* g_boxes = nullptr;
}

RecordingMessageBoxes& TestBoxes() {
    return *g_boxes;
}

QString TestOutputFolder() {
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/../test-output/gallery");
    QDir().mkpath(dir);
    return QDir(dir).absolutePath();
}

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    // A real modal box would wait forever for a click nobody makes: answer every
    // box a test did not expect, and say so on stderr.
    RecordingMessageBoxes unexpectedBoxes;
    unexpectedBoxes.echo = true;
    g_boxes = &unexpectedBoxes;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
