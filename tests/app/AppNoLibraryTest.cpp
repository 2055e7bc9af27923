// The program's own start-up order with no graph library beside the executable:
// the binding fails during static construction, before any window can show a
// message, so the message waits for the start-up and is shown there once.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/MarlixExApp.h"
#include "mainframe/MainFrm.h"
#include "platform/MsgBox.h"
#include "platform/MsgTarget.h"
#include "platform/Profile.h"
#include "res/resource.h"

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

TEST(StartupWithoutGraphLibrary, MeasurementWindowsOpenEmptyAndTakeBlocksAndKeys) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Profile::SetStorageFolder(dir.path());
    RecordingMessageBoxes boxes;
    ASSERT_TRUE(theApp.InitInstance());
    CMainFrame* frame = theApp.m_pMainWnd;
    DeviceState& ds = g_Marlix.DeviceState;
    ds.m_nConnectState = MX_CONNECT_CONNECTED;
    ds.m_nPlayMode = 5;
    frame->SendMessage(WM_COMMAND, ID_WINDOW_SPECTRUM, 0);
    frame->SendMessage(WM_COMMAND, ID_WINDOW_IQ, 0);
    PumpPostedMessages(200);
    ASSERT_NE(theApp.m_pSpectrumFrame, nullptr);
    ASSERT_NE(theApp.m_pIQFrame, nullptr);
    // The graphs count as made (their calls are skipped); every path runs through them.
    for (UINT id : {ID_ANALYZER_MARKER, ID_ANALYZER_BANDPOWER, ID_SPECTRUM_UNDO, ID_AUTO_RANGE})
        frame->SendMessage(WM_COMMAND, id, 0);
    ds.m_bPeakSearch = 1;
    frame->SendMessage(WM_MEASURE_DATA, 0, 0);
    frame->SendMessage(WM_GRAPH_AXES_UPDATE, 0, 0);
    frame->SendMessage(WM_GRAPH_KEY, 3, 0x28);
    frame->RenderTick();
    theApp.m_pSpectrumFrame->close();
    EXPECT_FALSE(theApp.m_pSpectrumFrame->isVisible());
    ds.m_nConnectState = MX_CONNECT_DISCONNECTED;
    theApp.ExitInstance();
    Profile::SetStorageFolder(QString());
}

} // namespace
