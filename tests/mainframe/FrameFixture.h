// A started application with its main frame, on a throw-away profile.
#pragma once
#include <gtest/gtest.h>

#include <QTemporaryDir>

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
