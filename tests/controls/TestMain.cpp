#include <QApplication>
#include <QDir>
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/MsgBox.h"

QString TestOutputFolder() {
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/../test-output/controls");
    QDir().mkpath(dir);
    return QDir(dir).absolutePath();
}

namespace {
RecordingMessageBoxes* g_boxes = nullptr;
}
RecordingMessageBoxes& TestBoxes() {
    return *g_boxes;
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // No test may ever open a real modal box.
    RecordingMessageBoxes boxes;
    g_boxes = &boxes;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
