// A started application with its main frame, on a throw-away profile.
#pragma once
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "SimInstrument.h"
#include "app/MarlixExApp.h"
#include "mainframe/MainFrm.h"
#include "platform/MsgBox.h"
#include "platform/Profile.h"

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        Profile::SetStorageFolder(dir.path());
        ASSERT_TRUE(theApp.InitInstance());
        frame = theApp.m_pMainWnd;
        ASSERT_NE(frame, nullptr);
        state().m_nConnectState = 0;
        state().m_nPlayBusy = 0;
    }
    void TearDown() override {
        theApp.m_fnCommandTap = nullptr;
        state().m_nConnectState = 0;
        theApp.ExitInstance();
        theApp.m_pDeviceState = nullptr;
        theApp.m_pDeviceData = nullptr;
        Profile::SetStorageFolder(QString());
    }
    static DeviceState& state() { return g_Marlix.DeviceState; }

    QTemporaryDir dir;
    RecordingMessageBoxes boxes;
    CMainFrame* frame = nullptr;
};

// The frame shown as connected, with the real graph library; OpenSpectrum brings
// up the Spectrum window and its graph.
class GraphFrameTest : public FrameTest {
protected:
    void SetUp() override {
        // The previous test's ExitInstance let the graph library go.
        if (!theApp.mh_Module)
            theApp.LoadVarolGraphLibrary();
        ASSERT_NE(theApp.m_pfnVarolGraph_Init, nullptr);
        FrameTest::SetUp();
        if (HasFatalFailure())
            return;
        theApp.LoadDefaultSettings();
        state().m_nConnectState = MX_CONNECT_CONNECTED;
        state().m_nSpectrumPoints = 8192;
        frame->resize(1000, 700);
        frame->show();
    }
    void OpenSpectrum() {
        theApp.OnWindowSpectrum();
        ASSERT_TRUE(WaitFor([] { return theApp.m_bGraphCreated[0] == 1; }, 5000));
        PumpPostedMessages(50);
    }
};
