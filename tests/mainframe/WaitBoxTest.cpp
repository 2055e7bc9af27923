// The wait box: dots, keys, its own close, and the main frame's show and close.
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "FrameFixture.h"
#include "SimInstrument.h"
#include "TestSupport.h"
#include "device/MxMessages.h"
#include "mainframe/DialogWaitMessage.h"

namespace {

const QString kText = QStringLiteral("Changing modulation mode");

TEST(WaitBox, DotsRunOneToElevenThenNoneAndContinueAcrossShowings) {
    CDialogWaitMessage dlg;
    dlg.show();
    EXPECT_EQ(dlg.TextControl()->text(), kText);
    EXPECT_TRUE(dlg.IsTimerRunning(CDialogWaitMessage::kDotTimer));
    EXPECT_TRUE(dlg.IsTimerRunning(CDialogWaitMessage::kCloseTimer));
    for (int tick = 1; tick <= 11; ++tick) {
        dlg.OnTimer(CDialogWaitMessage::kDotTimer);
        EXPECT_EQ(dlg.TextControl()->text(), kText + QString(tick, QLatin1Char('.'))) << tick;
    }
    dlg.OnTimer(CDialogWaitMessage::kDotTimer); // the twelfth
    EXPECT_EQ(dlg.TextControl()->text(), kText);
    dlg.OnTimer(CDialogWaitMessage::kDotTimer);
    dlg.OnTimer(CDialogWaitMessage::kDotTimer);
    dlg.hide();
    EXPECT_FALSE(dlg.IsTimerRunning(CDialogWaitMessage::kDotTimer));
    EXPECT_FALSE(dlg.IsTimerRunning(CDialogWaitMessage::kCloseTimer));

    dlg.show();
    EXPECT_EQ(dlg.TextControl()->text(), kText);
    dlg.OnTimer(CDialogWaitMessage::kDotTimer);
    EXPECT_EQ(dlg.TextControl()->text(), kText + QStringLiteral("..."));
}

TEST(WaitBox, KeysLeaveItOpen) {
    CDialogWaitMessage dlg;
    dlg.show();
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space, Qt::Key_A}) {
        QTest::keyClick(&dlg, key);
        QTest::keyClick(dlg.TextControl(), key);
        EXPECT_TRUE(dlg.isVisible()) << key;
    }
}

TEST(WaitBox, ItsOwnTimersMoveTheDotsAndCloseItAsOkAfter300Seconds) {
    CDialogWaitMessage dlg;
    dlg.show();
    EXPECT_EQ(dlg.TimerElapse(CDialogWaitMessage::kDotTimer), 300u);
    EXPECT_EQ(dlg.TimerElapse(CDialogWaitMessage::kCloseTimer), 300000u);
    ASSERT_TRUE(WaitFor([&] { return dlg.m_nDots >= 1; }, 5000));
    EXPECT_EQ(dlg.TextControl()->text(), kText + QString(int(dlg.m_nDots), QLatin1Char('.')));
    EXPECT_TRUE(dlg.isVisible());
    // Brought forward, the close timer ends the box through its own tick.
    dlg.SetTimer(CDialogWaitMessage::kCloseTimer, 20);
    ASSERT_TRUE(WaitFor([&] { return !dlg.isVisible(); }, 5000));
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(FrameTest, WaitShowOpensOneBoxAndWaitCloseEndsItAsCancel) {
    state().m_nConnectState = MX_CONNECT_CONNECTED;
    CDialogWaitMessage* box = frame->m_dlgWaitMessage;
    ASSERT_NE(box, nullptr);
    EventCounter counter(QEvent::Show);
    const int& shown = counter.count;
    box->installEventFilter(&counter);
    // A safety net: a test that fails must not hang in the modal loop.
    QTimer::singleShot(20000, box, [box] { box->done(QDialog::Accepted); });

    ::PostMessage(frame->GetSafeHwnd(), WM_WAIT_SHOW, 0, 0);
    ::PostMessage(frame->GetSafeHwnd(), WM_WAIT_SHOW, 0, 0); // arrives while the first is open
    ::PostMessage(frame->GetSafeHwnd(), WM_WAIT_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return shown == 1 && !box->isVisible(); }, 10000)) << shown;
    PumpPostedMessages(200);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(box->result(), QDialog::Rejected);
    box->removeEventFilter(&counter);

    // Closing when no box is open does nothing.
    frame->SendMessage(WM_WAIT_CLOSE, 0, 0);
    EXPECT_FALSE(box->isVisible());
}

TEST_F(FrameTest, WaitDoneClosesTheBox) {
    state().m_nConnectState = MX_CONNECT_CONNECTED;
    CDialogWaitMessage* box = frame->m_dlgWaitMessage;
    int finished = 0, result = -1;
    QObject::connect(box, &QDialog::finished, box, [&](int r) {
        ++finished;
        result = r;
    });
    QTimer::singleShot(20000, box, [box] { box->done(QDialog::Accepted); });
    ::PostMessage(frame->GetSafeHwnd(), WM_WAIT_SHOW, 0, 0);
    ::PostMessage(frame->GetSafeHwnd(), WM_WAIT_DONE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return finished == 1; }, 10000));
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_FALSE(box->isVisible());
}

// An instrument that says "wait" and then goes away must not leave the
// program behind a modal box for five minutes.
TEST_F(FrameTest, ALostLinkClosesTheWaitBoxBeforeDisconnectedShows) {
    state().m_nConnectState = MX_CONNECT_CONNECTED;
    CDialogWaitMessage* box = frame->m_dlgWaitMessage;
    QTimer::singleShot(20000, box, [box] { box->done(QDialog::Accepted); });
    int waitBoxUnderDisconnected = -1;
    boxes.whileOpen = [&](const RecordingMessageBoxes::Box& b) {
        if (b.text == QStringLiteral("Disconnected!"))
            waitBoxUnderDisconnected = box->isVisible() ? 1 : 0;
    };
    // The box runs its own loop: the link is lost from inside it.
    WhenModal<CDialogWaitMessage>([this](CDialogWaitMessage*) {
        ::PostMessage(frame->GetSafeHwnd(), WM_CONNECT_STATE, MX_CONNECT_LOST, 0);
    });
    ::PostMessage(frame->GetSafeHwnd(), WM_WAIT_SHOW, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return boxes.Contains(QStringLiteral("Disconnected!")); }, 10000));
    EXPECT_EQ(waitBoxUnderDisconnected, 0);
    EXPECT_TRUE(WaitFor([&] { return !box->isVisible(); }, 5000));
    EXPECT_TRUE(WaitFor([&] { return state().m_nConnectState == MX_CONNECT_DISCONNECTED; }, 5000));
    // A wait asked for just before the link went, handled after it, opens nothing.
    EventCounter counter(QEvent::Show);
    const int& shown = counter.count;
    box->installEventFilter(&counter);
    QTimer::singleShot(5000, box, [box] { box->done(QDialog::Accepted); });
    frame->SendMessage(WM_WAIT_SHOW, 0, 0);
    EXPECT_EQ(shown, 0);
    box->removeEventFilter(&counter);
}

TEST_F(FrameTest, ADisconnectClosesAnOpenWaitBox) {
    state().m_nConnectState = MX_CONNECT_CONNECTED;
    CDialogWaitMessage* box = frame->m_dlgWaitMessage;
    QTimer::singleShot(20000, box, [box] { box->done(QDialog::Accepted); });
    bool disconnected = false;
    WhenModal<CDialogWaitMessage>([&](CDialogWaitMessage*) {
        frame->OnDisconnect();
        disconnected = true;
    });
    ::PostMessage(frame->GetSafeHwnd(), WM_WAIT_SHOW, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return disconnected; }, 10000));
    EXPECT_TRUE(WaitFor([&] { return !box->isVisible(); }, 5000));
    EXPECT_EQ(box->result(), QDialog::Rejected);
}

} // namespace
