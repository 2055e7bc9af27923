// Start-up and shut-down of the application object: the graph library binding,
// the main window, the screen-saver setting, the About box.
#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QTemporaryDir>

#include "TestSupport.h"
#include "app/AboutDlg.h"
#include "app/MarlixExApp.h"
#include "mainframe/MainFrm.h"
#include "platform/MsgBox.h"
#include "platform/Profile.h"
#include "platform/System.h"

namespace {

int BoundEntryPoints() {
    int n = 0;
#define COUNT_BOUND(name) n += theApp.m_pfn##name != nullptr;
    VAROLGRAPH_ENTRY_POINTS(COUNT_BOUND)
#undef COUNT_BOUND
    return n;
}

class AppStartup : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        Profile::SetStorageFolder(dir.path());
    }
    void TearDown() override {
        theApp.ExitInstance();
        theApp.m_pDeviceState = nullptr;
        theApp.m_pDeviceData = nullptr;
        Profile::SetStorageFolder(QString());
        theApp.LoadVarolGraphLibrary(); // as the next test expects it
    }
    QTemporaryDir dir;
    RecordingMessageBoxes boxes;
};

TEST_F(AppStartup, MissingLibraryGivesOneMessageAndTheWindowStillOpens) {
    theApp.LoadVarolGraphLibrary(dir.filePath(QStringLiteral("no-such-graph-library.so")));
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.Count(QStringLiteral("mh_Module is NULL")), 1);
    EXPECT_EQ(theApp.mh_Module, nullptr);
    EXPECT_EQ(BoundEntryPoints(), 0);
    // Graph calls through the missing entry points are skipped, not made.
    EXPECT_EQ(theApp.GraphCall(theApp.m_pfnVarolGraph_Render, 0, 0.2f), 0);
    GraphDesignInfo info{};
    EXPECT_EQ(theApp.GraphCall(theApp.m_pfnVarolGraph_GetDesignInfo, 0, &info), 0);

    ASSERT_TRUE(theApp.InitInstance());
    ASSERT_NE(theApp.m_pMainWnd, nullptr);
    EXPECT_TRUE(theApp.m_pMainWnd->isVisible());
    EXPECT_EQ(boxes.boxes.size(), 1u); // nothing more on the way up
}

TEST_F(AppStartup, EachMissingEntryPointIsReportedOnce) {
    theApp.LoadVarolGraphLibrary(QStringLiteral(STUB_GRAPH_MISSING2));
    ASSERT_NE(theApp.mh_Module, nullptr);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("m_pfnVarolGraph_SetTextFont NULL"));
    EXPECT_EQ(boxes.boxes[1].text, QStringLiteral("m_pfnVarolGraph_Undo NULL"));
    EXPECT_EQ(BoundEntryPoints(), 32);
    EXPECT_EQ(theApp.m_pfnVarolGraph_Undo, nullptr);
    EXPECT_NE(theApp.m_pfnVarolGraph_Render, nullptr);
    EXPECT_EQ(theApp.GraphCall(theApp.m_pfnVarolGraph_Undo, 0), 0);
    EXPECT_EQ(theApp.GraphCall(theApp.m_pfnVarolGraph_SetTextFont, 0, "Arial", 10), 0);

    ASSERT_TRUE(theApp.InitInstance());
    EXPECT_TRUE(theApp.m_pMainWnd->isVisible());
}

TEST_F(AppStartup, TheBuiltGraphLibraryBindsAll34WithoutAMessage) {
    theApp.LoadVarolGraphLibrary();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_NE(theApp.mh_Module, nullptr);
    EXPECT_EQ(BoundEntryPoints(), 34);
    ASSERT_TRUE(theApp.InitInstance());
    EXPECT_TRUE(theApp.m_pMainWnd->isVisible());
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(AppStartup, AfterShowStepsBindTheFrameAndPointers) {
    ASSERT_TRUE(theApp.InitInstance());
    EXPECT_EQ(g_Marlix.m_hNotifyWnd, theApp.m_pMainWnd->GetSafeHwnd());
    EXPECT_EQ(theApp.m_pDeviceState, &g_Marlix.DeviceState);
    EXPECT_EQ(theApp.m_pDeviceData, &g_Marlix.DeviceDataStore);
    EXPECT_EQ(theApp.m_bDrawEnabled, 1);
    for (int g = 0; g < 5; ++g) {
        EXPECT_EQ(theApp.m_bGraphCreated[g], 0);
        EXPECT_EQ(theApp.m_bGraphShown[g], 0);
    }
    theApp.ExitInstance();
    EXPECT_EQ(theApp.m_pMainWnd, nullptr);
    EXPECT_EQ(g_Marlix.m_hNotifyWnd, nullptr);
    EXPECT_EQ(theApp.mh_Module, nullptr); // freed at exit
}

TEST_F(AppStartup, ScreenSaverIsOffDuringTheRunAndAsBeforeAfterIt) {
    for (BOOL before : {TRUE, FALSE}) {
        SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, before, nullptr, 0);
        ASSERT_TRUE(theApp.InitInstance());
        BOOL during = -1;
        SystemParametersInfo(SPI_GETSCREENSAVEACTIVE, 0, &during, 0);
        EXPECT_EQ(during, FALSE);
        theApp.ExitInstance();
        BOOL after = -1;
        SystemParametersInfo(SPI_GETSCREENSAVEACTIVE, 0, &after, 0);
        EXPECT_EQ(after, before);
    }
    // A shut-down without a start-up leaves the setting alone.
    SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr, 0);
    theApp.ExitInstance();
    BOOL after = -1;
    SystemParametersInfo(SPI_GETSCREENSAVEACTIVE, 0, &after, 0);
    EXPECT_EQ(after, TRUE);
}

TEST_F(AppStartup, StoredApplicationLookIsDiscardedAtStart) {
    Profile::WriteProfileInt(QStringLiteral("Workspace"), QStringLiteral("ApplicationLook"), 212);
    ASSERT_TRUE(theApp.InitInstance());
    EXPECT_EQ(theApp.m_nAppLook, 218);
}

TEST_F(AppStartup, SpectrumAndIQCommandsWaitForAConnection) {
    ASSERT_TRUE(theApp.InitInstance());
    theApp.m_pDeviceState->m_nConnectState = 0;
    theApp.OnWindowSpectrum();
    theApp.OnWindowIQ();
    EXPECT_EQ(theApp.m_bGraphShown[0], 0);
    EXPECT_EQ(theApp.m_bGraphShown[3], 0);
    EXPECT_TRUE(boxes.boxes.empty());
    theApp.m_pDeviceState->m_nConnectState = 2;
    theApp.OnWindowIQ();
    EXPECT_EQ(theApp.m_bGraphShown[3], 1);
    EXPECT_EQ(theApp.m_bGraphShown[4], 1);
    theApp.m_pDeviceState->m_nConnectState = 0;
}

TEST(AboutBox, VersionBytesShowMostSignificantFirstAndTheLinkOpens) {
    const std::uint8_t ver[4] = {0x04, 0x01, 0x00, 0x01};
    EXPECT_EQ(CAboutDlg::FormatVersion(ver), QStringLiteral("1.0.1.4"));
    CAboutDlg dlg(ver);
    EXPECT_TRUE(dlg.VersionControl()->text().endsWith(QStringLiteral("1.0.1.4")));
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral(u"Zephyra\u2122"));
    QString opened;
    SetShellOpenHandler([&](const QString& url) {
        opened = url;
        return true;
    });
    EXPECT_EQ(dlg.OnClickLink(CMarlixExApp::AboutLinkUrl()), 0);
    SetShellOpenHandler(nullptr);
    EXPECT_EQ(opened, CMarlixExApp::AboutLinkUrl());
    EXPECT_TRUE(dlg.LinkControl()->text().contains(CMarlixExApp::AboutLinkUrl()));
}

// About names the instrument's software; with none connected it says so
// rather than showing a version of nothing.
TEST(AboutBox, WithNoInstrumentItSaysSo) {
    ASSERT_FALSE(g_Marlix.HasSWVer());
    EXPECT_EQ(CAboutDlg::VersionText(nullptr),
              QStringLiteral(u"Zephyra\u2122 Version: no instrument connected"));
    const std::uint8_t ver[4] = {0x07, 0x03, 0x02, 0x01};
    EXPECT_EQ(CAboutDlg::VersionText(ver), QStringLiteral(u"Zephyra\u2122 Version 1.2.3.7"));
    QString shown;
    WhenModal<CAboutDlg>([&](CAboutDlg* dlg) {
        shown = dlg->VersionControl()->text();
        dlg->accept();
    });
    theApp.OnAppAbout();
    EXPECT_EQ(shown, CAboutDlg::VersionText(nullptr));
}

} // namespace
