// The program's own start-up order with no graph library beside the executable:
// the binding fails during static construction, before any window can show a
// message, so the message waits for the start-up and is shown there once.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/MarlixExApp.h"
#include "mainframe/MainFrm.h"
#include "platform/MsgBox.h"
#include "platform/Profile.h"

namespace {

TEST(StartupWithoutGraphLibrary, TheMessageIsShownOnceAndTheWindowOpens) {
    ASSERT_EQ(theApp.mh_Module, nullptr);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Profile::SetStorageFolder(dir.path());
    RecordingMessageBoxes boxes;

    ASSERT_TRUE(theApp.InitInstance());
    ASSERT_NE(theApp.m_pMainWnd, nullptr);
    EXPECT_TRUE(theApp.m_pMainWnd->isVisible());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("mh_Module is NULL"));
    EXPECT_EQ(theApp.GraphCall(theApp.m_pfnVarolGraph_Init, 0, nullptr, 100, 100), 0);
    theApp.ExitInstance();

    ASSERT_TRUE(theApp.InitInstance()); // nothing left to report
    EXPECT_EQ(boxes.boxes.size(), 1u);
    theApp.ExitInstance();
    Profile::SetStorageFolder(QString());
}

} // namespace
